// Fuzz target: what a plug-in could hand back from GetPicture, turned into a picture by
// TSPIBitmap::LoadFromSPI, converted to 24 bits and written as a BMP file in memory.
//
// Input layout: a 16-bit little-endian length, then the information block of that many bytes
// (fewer when the input ends sooner), then the bits block, which is the rest. Each block is a
// separate allocation of exactly its size, as the plug-in's blocks are, so that the address
// sanitizer sees any read past either.
//
// Failures of the exception family are the picture's answer to bad output; anything else (a
// crash, a sanitizer report, a leak, another exception) is a fault.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <vector>

#include "image/bitmap.h"
#include "pictures/picture_info_rec.h"
#include "pictures/spi_bitmap.h"
#include "rtl/exception.h"
#include "rtl/stream.h"

namespace {

constexpr std::size_t kLengthSize = 2;

// Pictures larger than this are skipped: the BMP reader makes a picture as large as its header
// says and fills what the data holds, but converting gigabytes for each input would stall the
// search.
constexpr std::int64_t kMaxPixels = std::int64_t{1} << 22;

std::int64_t Get(const std::uint8_t* p, int size) {
  std::uint32_t value = 0;
  for (int i = size - 1; i >= 0; --i) value = value << 8 | p[i];
  if (size == 2) return value;
  return static_cast<std::int32_t>(value);
}

std::int64_t Magnitude(std::int64_t value) { return value < 0 ? -value : value; }

// As the BMP reader will see the header: a core header (size 12) holds 16-bit dimensions.
bool TooLarge(std::span<const std::uint8_t> info) {
  if (info.size() < 12) return false;
  const bool core = Get(info.data(), 4) == 12;
  const std::int64_t width = core ? Get(info.data() + 4, 2) : Get(info.data() + 4, 4);
  const std::int64_t height = core ? Get(info.data() + 6, 2) : Get(info.data() + 8, 4);
  return Magnitude(width) * Magnitude(height) > kMaxPixels;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < kLengthSize) return -1;
  const std::size_t rest = size - kLengthSize;
  const std::size_t infoSize = std::min<std::size_t>(Get(data, 2), rest);
  const std::vector<std::uint8_t> info(data + kLengthSize, data + kLengthSize + infoSize);
  const std::vector<std::uint8_t> bits(data + kLengthSize + infoSize, data + size);
  if (TooLarge(info)) return -1;  // not kept in the corpus

  TSPIBitmap bitmap;
  bool done = false;
  try {
    bitmap.LoadFromSPI(info, bits, TPictureInfoRec{}, done);
    if (!done) {
      std::fprintf(stderr, "LoadFromSPI returned without taking the picture or raising\n");
      std::abort();
    }
    bitmap.SetPixelLayout(TPixelLayout::pl24Bit);
    TMemoryStream output;
    bitmap.StoreToStream(output);
  } catch (const Exception&) {
    // Refused output, or a picture the engine will not make: both are answers, not faults.
  }
  return 0;
}
