// Fuzz target: arbitrary bytes offered to our bundled import plug-in as the host offers a picture.
// IsSupported gets the 2048-byte zero-padded probe buffer; GetPictureInfo and GetPicture get the
// same address with the true length, from memory, and a progress callback. Every block the
// plug-in returns is locked, read, unlocked and freed.
//
// Beyond crashes, leaks and sanitizer reports, these count as faults, because a host relies on
// them: reading past the true length while decoding (the zero padding is poisoned for the
// address sanitizer then); a failed GetPicture that stores a handle; a successful one whose
// header differs from what GetPictureInfo reported or whose rows do not fit the bits block; a
// progress count that runs backwards or past its end.
#include <sanitizer/asan_interface.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "entry_points.h"
#include "spi_abi.h"
#include "spi_block.h"

namespace {

constexpr std::size_t kProbeSize = 2048;

// Pictures larger than this are skipped once GetPictureInfo has named their size: the plug-in
// decodes up to 2^28 pixels by design, but decoding hundreds of megabytes for one input would
// stall the search.
constexpr std::int64_t kMaxPixels = std::int64_t{1} << 22;

[[noreturn]] void Fault(const char* what, long long expected, long long actual) {
  std::fprintf(stderr, "plug-in fault: %s (expected %lld, got %lld)\n", what, expected, actual);
  std::abort();
}

void Expect(bool holds, const char* what, long long expected, long long actual) {
  if (!holds) Fault(what, expected, actual);
}

std::int32_t Get32(const std::uint8_t* at) {
  return static_cast<std::int32_t>(at[0] | at[1] << 8 | at[2] << 16 |
                                   static_cast<std::uint32_t>(at[3]) << 24);
}

// The bytes past the true length in the probe buffer: readable while IsSupported looks at the
// head, poisoned while the picture is decoded.
class TPaddingPoison {
 public:
  TPaddingPoison(const std::uint8_t* padding, std::size_t size) : Padding_(padding), Size_(size) {
    ASAN_POISON_MEMORY_REGION(Padding_, Size_);
  }
  TPaddingPoison(const TPaddingPoison&) = delete;
  TPaddingPoison& operator=(const TPaddingPoison&) = delete;
  ~TPaddingPoison() { ASAN_UNPOISON_MEMORY_REGION(Padding_, Size_); }

 private:
  const std::uint8_t* Padding_;
  std::size_t Size_;
};

// How many pictures summed to 0; kept only so that the sum is used.
volatile int gZeroSums = 0;

struct TProgress {
  std::int32_t Calls = 0;
  std::int32_t Done = -1;
  std::int32_t Total = -1;
};

// The host's callback: checks that the count only moves forward within its total; always goes on.
std::int32_t SPI_API Progress(std::int32_t num, std::int32_t denom, std::intptr_t lData) {
  auto& progress = *reinterpret_cast<TProgress*>(lData);
  if (progress.Calls++ == 0) progress.Total = denom;
  Expect(denom == progress.Total, "progress total changed", progress.Total, denom);
  Expect(num > progress.Done, "progress ran backwards", progress.Done + 1, num);
  Expect(num <= denom, "progress beyond its total", denom, num);
  progress.Done = num;
  return 0;
}

// The information text, as the host copies it: up to its first NUL or the whole block.
void ReadInfoText(TSpiHandle handle) {
  TSpiBlock block(handle);
  TSpiBlockLock lock(block);
  if (lock.Data() == nullptr) return;
  const auto* text = static_cast<const char*>(lock.Data());
  const std::size_t size = block.Size();
  volatile std::size_t length = std::find(text, text + size, '\0') - text;
  (void)length;
}

// The two blocks of a successful GetPicture, checked against what the host reads from them.
void CheckPicture(TSpiHandle infoHandle, TSpiHandle bitsHandle, const TPictureInfo* info,
                  const TProgress& progress) {
  TSpiBlock infoBlock(infoHandle);
  TSpiBlock bitsBlock(bitsHandle);
  Expect(infoBlock && bitsBlock, "GetPicture succeeded without both blocks", 2,
         (infoBlock ? 1 : 0) + (bitsBlock ? 1 : 0));
  TSpiBlockLock infoLock(infoBlock);
  TSpiBlockLock bitsLock(bitsBlock);
  Expect(infoLock.Data() != nullptr && bitsLock.Data() != nullptr, "a block does not lock", 1, 0);
  Expect(infoBlock.Size() >= 40, "information block size", 40,
         static_cast<long long>(infoBlock.Size()));

  const auto* header = static_cast<const std::uint8_t*>(infoLock.Data());
  const std::int32_t width = Get32(header + 4);
  const std::int32_t height = Get32(header + 8);
  const int bitCount = header[14] | header[15] << 8;
  Expect(Get32(header) == 40, "biSize", 40, Get32(header));
  Expect(Get32(header + 16) == 0, "biCompression", 0, Get32(header + 16));
  Expect(bitCount == 24 || bitCount == 32, "biBitCount 24 or 32", 24, bitCount);
  Expect(width > 0 && height > 0, "positive size", 1, std::min(width, height));
  if (info != nullptr) {
    Expect(width == info->width, "biWidth against GetPictureInfo", info->width, width);
    Expect(height == info->height, "biHeight against GetPictureInfo", info->height, height);
    Expect(bitCount == info->colorDepth, "biBitCount against GetPictureInfo", info->colorDepth,
           bitCount);
  }
  const std::int64_t rowSize = (std::int64_t{width} * bitCount + 31) / 32 * 4;
  const std::int64_t imageSize = rowSize * height;
  Expect(imageSize <= static_cast<std::int64_t>(bitsBlock.Size()), "rows fit the bits block",
         imageSize, static_cast<long long>(bitsBlock.Size()));
  Expect(progress.Calls == height + 1 && progress.Done == height, "progress reached the end",
         height, progress.Done);

  // Every byte the host will read, read once, so that a short block shows up here; the branch on
  // their sum lets the memory sanitizer, where it is used, report bytes the plug-in never wrote.
  const auto* bits = static_cast<const std::uint8_t*>(bitsLock.Data());
  std::uint8_t sum = 0;
  for (std::int64_t i = 0; i < imageSize; ++i) sum = static_cast<std::uint8_t>(sum + bits[i]);
  if (sum == 0) gZeroSums = gZeroSums + 1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > static_cast<std::size_t>(INT32_MAX)) return -1;
  const auto length = static_cast<std::int32_t>(size);

  // Shorter data goes in the zero-filled probe buffer; longer data is offered in place (where
  // the address sanitizer sees every read past its end).
  std::vector<std::uint8_t> probe;
  const std::uint8_t* address = data;
  if (size < kProbeSize) {
    probe.assign(kProbeSize, 0);
    if (size > 0) std::memcpy(probe.data(), data, size);
    address = probe.data();
  }
  const auto* buffer = reinterpret_cast<const char*>(address);

  if (IsSupported("", reinterpret_cast<std::uintptr_t>(address)) == 0) return 0;

  const TPaddingPoison poison(address + size, size < kProbeSize ? kProbeSize - size : 0);
  TPictureInfo info{};
  const bool infoValid = GetPictureInfo(buffer, length, SPI_INPUT_MEMORY, &info) == SPI_SUCCESS;
  if (infoValid) {
    if (info.hInfo != nullptr) ReadInfoText(info.hInfo);
    if (std::int64_t{info.width} * info.height > kMaxPixels) return -1;  // not kept in the corpus
  }

  TSpiHandle infoHandle = nullptr;
  TSpiHandle bitsHandle = nullptr;
  TProgress progress;
  const std::int32_t result = GetPicture(buffer, length, SPI_INPUT_MEMORY, &infoHandle, &bitsHandle,
                                         Progress, reinterpret_cast<std::intptr_t>(&progress));
  if (result != SPI_SUCCESS) {
    Expect(infoHandle == nullptr && bitsHandle == nullptr, "a failed GetPicture stored a handle", 0,
           result);
    return 0;
  }
  CheckPicture(infoHandle, bitsHandle, infoValid ? &info : nullptr, progress);
  return 0;
}
