#include "entry_points.h"

#include <array>
#include <cstring>
#include <new>

#include "decoder.h"
#include "dib_builder.h"
#include "image_format.h"
#include "picture_source.h"
#include "plugin_info.h"
#include "spi_block.h"

namespace {

// How much of the file's head IsSupported may read: the size of the host's probe buffer.
constexpr std::size_t kHeadSize = 2048;
// Addresses below this are never valid in a process, so such a `dw` is a file handle.
constexpr std::uintptr_t kLowestAddress = 0x10000;

// Runs `body` and turns any exception into an error code: nothing may unwind into the host.
template <class Body>
std::int32_t Guarded(Body&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return SPI_NO_MEMORY;
  } catch (...) {
    return SPI_INTERNAL_ERROR;
  }
}

#ifdef _WIN32
// Reads up to kHeadSize bytes from the file's current position into `head` and puts the
// position back; false when the handle cannot be read.
bool ReadHeadFromHandle(HANDLE file, std::array<std::uint8_t, kHeadSize>& head) {
  LARGE_INTEGER start{};
  if (!::SetFilePointerEx(file, LARGE_INTEGER{}, &start, FILE_CURRENT)) return false;
  DWORD read = 0;
  const BOOL ok = ::ReadFile(file, head.data(), static_cast<DWORD>(head.size()), &read, nullptr);
  ::SetFilePointerEx(file, start, nullptr, FILE_BEGIN);
  return ok != FALSE;
}
#endif

}  // namespace

SPI_EXPORT std::int32_t SPI_API GetPluginInfo(std::int32_t infono, char* buf, std::int32_t buflen) {
  return Guarded(
      [&] { return CopyPluginInfoText(ToPluginText(PluginInfoText(infono)), buf, buflen); });
}

SPI_EXPORT std::int32_t SPI_API IsSupported(const char* /*filename*/, std::uintptr_t dw) {
  return Guarded([&]() -> std::int32_t {
    if (dw == 0) return 0;
    if (dw < kLowestAddress) {
#ifdef _WIN32
      std::array<std::uint8_t, kHeadSize> head{};
      if (!ReadHeadFromHandle(reinterpret_cast<HANDLE>(dw), head)) return 0;
      return DetectImageFormat(head.data(), head.size()) != TImageFormat::ifUnknown ? 1 : 0;
#else
      return 0;
#endif
    }
    const auto* head = reinterpret_cast<const std::uint8_t*>(dw);
    return DetectImageFormat(head, kHeadSize) != TImageFormat::ifUnknown ? 1 : 0;
  });
}

SPI_EXPORT std::int32_t SPI_API GetPictureInfo(const char* buf, std::int32_t len,
                                               std::uint32_t flag, TPictureInfo* lpInfo) {
  return Guarded([&]() -> std::int32_t {
    if (lpInfo == nullptr) return SPI_MEMORY_ERROR;
    TPictureSource source;
    if (const std::int32_t code = source.Open(buf, len, flag); code != SPI_SUCCESS) return code;
    TImageShape shape;
    if (const std::int32_t code = ReadImageShape(source.Data(), source.Size(), shape);
        code != SPI_SUCCESS) {
      return code;
    }
    TPictureInfo info{};
    info.width = shape.Width;
    info.height = shape.Height;
    info.colorDepth = static_cast<std::int16_t>(shape.Channels * 8);
    info.hInfo = nullptr;
    std::memcpy(lpInfo, &info, sizeof info);
    return SPI_SUCCESS;
  });
}

SPI_EXPORT std::int32_t SPI_API GetPicture(const char* buf, std::int32_t len, std::uint32_t flag,
                                           TSpiHandle* pHBInfo, TSpiHandle* pHBm,
                                           TSpiProgressCallback progressCallback,
                                           std::intptr_t lData) {
  return Guarded([&]() -> std::int32_t {
    if (pHBInfo == nullptr || pHBm == nullptr) return SPI_MEMORY_ERROR;
    TPictureSource source;
    if (const std::int32_t code = source.Open(buf, len, flag); code != SPI_SUCCESS) return code;
    TDecodedImage image;
    if (const std::int32_t code = DecodeImage(source.Data(), source.Size(), image);
        code != SPI_SUCCESS) {
      return code;
    }
    TSpiBlock info;
    TSpiBlock bits;
    if (const std::int32_t code = BuildDib(image, progressCallback, lData, info, bits);
        code != SPI_SUCCESS) {
      return code;
    }
    *pHBInfo = info.Release();
    *pHBm = bits.Release();
    return SPI_SUCCESS;
  });
}
