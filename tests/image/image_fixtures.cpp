#include "image_fixtures.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace image_fixtures {

TRasterBitmapPtr MakeSection(const TSectionSpec& shape, const std::vector<std::uint8_t>& bytes) {
  TBitmapInfoHeader header{};
  header.biSize = sizeof header;
  header.biWidth = shape.Width;
  header.biHeight = shape.Height;
  header.biPlanes = 1;
  header.biBitCount = static_cast<std::uint16_t>(shape.BitCount);
  header.biCompression = shape.Compression;
  header.biClrUsed = static_cast<std::uint32_t>(shape.Table.size());
  TRasterBitmapPtr section = TRasterBitmap::CreateSection(
      header, shape.Masks.empty() ? nullptr : shape.Masks.data(), shape.Table);
  const std::size_t count =
      std::min<std::size_t>(bytes.size(), static_cast<std::size_t>(section->ImageSize()));
  if (count > 0) std::memcpy(section->Bits(), bytes.data(), count);
  return section;
}

void Load(TBitmap& bitmap, TRasterBitmapPtr section) {
  bitmap.ImageLoaded(std::move(section), nullptr, false);
}

std::vector<std::vector<std::uint8_t>> Rows24(TBitmap& bitmap) {
  std::vector<std::vector<std::uint8_t>> rows;
  const TRasterBitmap* section = bitmap.Image().SectionHandle();
  for (int y = 0; y < bitmap.Height(); ++y) {
    const std::uint8_t* row = section->Row(y);
    rows.emplace_back(row, row + 3 * bitmap.Width());
  }
  return rows;
}

std::vector<std::uint8_t> Noise(std::size_t count, std::uint32_t seed) {
  std::vector<std::uint8_t> bytes(count);
  std::uint32_t state = seed * 2654435761u + 1;
  for (auto& byte : bytes) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    byte = static_cast<std::uint8_t>(state >> 24);
  }
  return bytes;
}

std::string Hex(const std::vector<std::uint8_t>& bytes) {
  std::string text;
  char cell[4];
  for (std::uint8_t byte : bytes) {
    std::snprintf(cell, sizeof cell, "%02X ", byte);
    text += cell;
  }
  return text;
}

}  // namespace image_fixtures
