// The Susie import plug-in interface, shared by the host and by our own plug-ins.
//
// On 32-bit Windows this is the exact binary interface that outside plug-ins export: stdcall
// entry points, 32-bit arguments, the packed 26-byte picture information record, and
// local-memory handles (HLOCAL) for the blocks a plug-in returns.
//
// On the native 64-bit build the same entry points are exported by ELF `.spi` files (no stdcall
// there), and every argument or field that carries an address or a handle is pointer-sized:
// `dw` of IsSupported, `lData`, `hInfo` and the two handle out-parameters of GetPicture. Those are
// the `uintptr_t`/`intptr_t`/`TSpiHandle` places below; on Win32 they are 32 bits wide, so one
// declaration serves both builds. Local-memory blocks are replaced natively by a block type of
// our own (see TSpiNativeBlock), created and released only through the functions here.
#pragma once

#include <cstddef>
#include <cstdint>

#ifdef _WIN32
#include <windows.h>
#define SPI_API __stdcall
#else
#include <cstdlib>
#define SPI_API
#endif

#if defined(_WIN32)
#define SPI_EXPORT extern "C" __declspec(dllexport)
#else
#define SPI_EXPORT extern "C" __attribute__((visibility("default")))
#endif

// A local-memory handle: HLOCAL on Windows, a TSpiNativeBlock* elsewhere.
#ifdef _WIN32
using TSpiHandle = HLOCAL;
#else
struct TSpiNativeBlock;
using TSpiHandle = TSpiNativeBlock*;
#endif

#pragma pack(push, 1)
// Picture information as a plug-in reports it. Packed: 26 bytes on 32-bit Windows (the 64-bit
// Windows build, which exists to test our Windows code under 64-bit Wine, widens hInfo as the
// native build does).
struct TPictureInfo {
  std::int32_t left;
  std::int32_t top;
  std::int32_t width;
  std::int32_t height;
  std::uint16_t x_density;
  std::uint16_t y_density;
  std::int16_t colorDepth;
  TSpiHandle hInfo;  // a text block owned by the caller after a successful call, or null
};
#pragma pack(pop)
#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(TPictureInfo) == 26, "the plug-in interface fixes 26 bytes");
// Outside plug-ins write the fields at these offsets, whatever the size says.
static_assert(offsetof(TPictureInfo, x_density) == 16 && offsetof(TPictureInfo, colorDepth) == 20 &&
                  offsetof(TPictureInfo, hInfo) == 22,
              "the plug-in interface fixes the fields' offsets");
#endif

// Result codes of the picture entry points.
enum : std::int32_t {
  SPI_NO_FUNCTION = -1,
  SPI_SUCCESS = 0,
  SPI_ABORT = 1,
  SPI_UNKNOWN_FORMAT = 2,
  SPI_BROKEN_DATA = 3,
  SPI_NO_MEMORY = 4,
  SPI_MEMORY_ERROR = 5,
  SPI_FILE_READ_ERROR = 6,
  SPI_WINDOW_ERROR = 7,
  SPI_INTERNAL_ERROR = 8,
};

// Input flag of the picture entry points: bit 0 set means the buffer is the picture in memory.
inline constexpr std::uint32_t SPI_INPUT_MEMORY = 1;

// The host's progress callback: answering non-zero asks the plug-in to stop.
using TSpiProgressCallback = std::int32_t(SPI_API*)(std::int32_t num, std::int32_t denom,
                                                    std::intptr_t lData);

// Entry points, as exported by name.
using TSpiGetPluginInfo = std::int32_t(SPI_API*)(std::int32_t infono, char* buf,
                                                 std::int32_t buflen);
using TSpiIsSupported = std::int32_t(SPI_API*)(const char* filename, std::uintptr_t dw);
using TSpiGetPictureInfo = std::int32_t(SPI_API*)(const char* buf, std::int32_t len,
                                                  std::uint32_t flag, TPictureInfo* lpInfo);
using TSpiGetPicture = std::int32_t(SPI_API*)(const char* buf, std::int32_t len,
                                              std::uint32_t flag, TSpiHandle* pHBInfo,
                                              TSpiHandle* pHBm,
                                              TSpiProgressCallback progressCallback,
                                              std::intptr_t lData);
using TSpiGetPreview = TSpiGetPicture;

// Local-memory blocks. A plug-in allocates the blocks it returns with SpiLocalAlloc; the host
// locks, reads, unlocks and frees them.
#ifdef _WIN32
inline TSpiHandle SpiLocalAlloc(std::size_t size) { return ::LocalAlloc(LMEM_MOVEABLE, size); }
inline void* SpiLocalLock(TSpiHandle h) { return ::LocalLock(h); }
inline void SpiLocalUnlock(TSpiHandle h) { ::LocalUnlock(h); }
inline std::size_t SpiLocalSize(TSpiHandle h) { return ::LocalSize(h); }
inline void SpiLocalFree(TSpiHandle h) { ::LocalFree(h); }
#else
// A malloc'd block that knows its size. Host and plug-ins share one C library in the process,
// so a block made by a plug-in is freed by the host.
struct TSpiNativeBlock {
  std::size_t Size;
  alignas(std::max_align_t) unsigned char Data[1];
};
inline TSpiHandle SpiLocalAlloc(std::size_t size) {
  if (size > SIZE_MAX - sizeof(TSpiNativeBlock)) return nullptr;
  auto* block = static_cast<TSpiNativeBlock*>(std::malloc(sizeof(TSpiNativeBlock) + size));
  if (block != nullptr) block->Size = size;
  return block;
}
inline void* SpiLocalLock(TSpiHandle h) { return h != nullptr ? h->Data : nullptr; }
inline void SpiLocalUnlock(TSpiHandle) {}
inline std::size_t SpiLocalSize(TSpiHandle h) { return h != nullptr ? h->Size : 0; }
inline void SpiLocalFree(TSpiHandle h) { std::free(h); }
#endif
