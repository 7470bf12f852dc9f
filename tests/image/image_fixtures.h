// Pictures made in code for the image-model tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "image/bitmap.h"
#include "image/dib.h"
#include "image/raster_bitmap.h"

namespace image_fixtures {

struct TSectionSpec {
  TSectionSpec(int bitCount, int width, int height, std::uint32_t compression = BI_RGB,
               std::vector<std::uint32_t> masks = {}, std::vector<TRGBQuad> table = {})
      : BitCount(bitCount), Width(width), Height(height), Compression(compression),
        Masks(std::move(masks)), Table(std::move(table)) {}

  int BitCount;
  int Width;
  int Height;  // negative: top-down
  std::uint32_t Compression;
  std::vector<std::uint32_t> Masks;  // three, with BI_BITFIELDS
  std::vector<TRGBQuad> Table;
};

// A DIB section of `shape`, its pixel memory filled from `bytes` (rows in memory order, padding
// included; shorter leaves the rest 0).
TRasterBitmapPtr MakeSection(const TSectionSpec& shape, const std::vector<std::uint8_t>& bytes = {});

// A TBitmap holding `section`, loaded as a reader would load it.
void Load(TBitmap& bitmap, TRasterBitmapPtr section);

// The 24-bit picture of `bitmap` as rows from the top, each 3 x Width bytes of blue, green, red.
std::vector<std::vector<std::uint8_t>> Rows24(TBitmap& bitmap);

// A pseudo-random byte sequence, the same for the same seed.
std::vector<std::uint8_t> Noise(std::size_t count, std::uint32_t seed);

std::string Hex(const std::vector<std::uint8_t>& bytes);

}  // namespace image_fixtures
