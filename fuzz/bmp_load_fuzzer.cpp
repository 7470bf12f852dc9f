// Fuzz target: arbitrary bytes read as a BMP, converted to 24 bits and written again. Failures
// of the exception family are the reader's answer to bad input; anything else (a crash, a
// sanitizer report, a leak, another exception) is a fault.
#include <cstddef>
#include <cstdint>

#include "image/bitmap.h"
#include "rtl/exception.h"
#include "rtl/stream.h"

namespace {

// Pictures larger than this are skipped: the reader accepts them by design (a short file fills
// only what it holds), but converting gigabytes for each input would stall the search.
constexpr std::int64_t kMaxPixels = std::int64_t{1} << 22;

std::int64_t Get(const std::uint8_t* p, int size) {
  std::uint32_t value = 0;
  for (int i = size - 1; i >= 0; --i) value = value << 8 | p[i];
  if (size == 2) return value;
  return static_cast<std::int32_t>(value);
}

bool TooLarge(const std::uint8_t* data, std::size_t size) {
  if (size < 26) return false;
  const bool core = Get(data + 14, 4) == 12;
  std::int64_t width = core ? Get(data + 18, 2) : Get(data + 18, 4);
  std::int64_t height = core ? Get(data + 20, 2) : Get(data + 22, 4);
  if (width < 0) width = -width;
  if (height < 0) height = -height;
  return width * height > kMaxPixels;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (TooLarge(data, size)) return -1;  // not kept in the corpus
  TMemoryViewStream input(data, static_cast<std::int64_t>(size));
  TBitmap bitmap;
  try {
    bitmap.LoadFromStream(input);
    bitmap.SetPixelLayout(TPixelLayout::pl24Bit);
    TMemoryStream output;
    bitmap.StoreToStream(output);
  } catch (const Exception&) {
    // Refused input, or a picture the engine will not make: both are answers, not faults.
  }
  return 0;
}
