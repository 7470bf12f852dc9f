#include "image/raster/palette.h"

#include <algorithm>

std::vector<TRGBQuad> TPalette::ColorTable(int limit) const {
  std::vector<TRGBQuad> table;
  const int count = std::min(Count(), std::max(limit, 0));
  table.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    const TPaletteEntry& entry = Entries_[static_cast<std::size_t>(i)];
    table.push_back({entry.peBlue, entry.peGreen, entry.peRed, 0});
  }
  return table;
}

TPaletteHandle PaletteFromColorTable(std::span<const TRGBQuad> table) {
  if (table.empty()) return nullptr;
  std::vector<TPaletteEntry> entries;
  const std::size_t count = std::min<std::size_t>(table.size(), 256);
  entries.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    entries.push_back({table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue, 0});
  }
  return std::make_shared<const TPalette>(std::move(entries));
}

const TPaletteHandle& StandardPalette16() {
  // The 16 colours of the VGA, in the order of a Windows 16-colour picture.
  static const TPaletteHandle palette = std::make_shared<const TPalette>(std::vector<TPaletteEntry>{
      {0x00, 0x00, 0x00, 0}, {0x80, 0x00, 0x00, 0}, {0x00, 0x80, 0x00, 0}, {0x80, 0x80, 0x00, 0},
      {0x00, 0x00, 0x80, 0}, {0x80, 0x00, 0x80, 0}, {0x00, 0x80, 0x80, 0}, {0xC0, 0xC0, 0xC0, 0},
      {0x80, 0x80, 0x80, 0}, {0xFF, 0x00, 0x00, 0}, {0x00, 0xFF, 0x00, 0}, {0xFF, 0xFF, 0x00, 0},
      {0x00, 0x00, 0xFF, 0}, {0xFF, 0x00, 0xFF, 0}, {0x00, 0xFF, 0xFF, 0}, {0xFF, 0xFF, 0xFF, 0}});
  return palette;
}

bool IsStandardPalette16(const TPaletteHandle& palette) {
  return palette != nullptr && palette == StandardPalette16();
}

TPaletteHandle MakeHalftonePalette() {
  // Green gets seven levels because the eye tells more greens apart; the four greys fill the
  // grey axis, on which the cube itself has only black and white.
  static constexpr std::uint8_t kRedBlue[6] = {0, 51, 102, 153, 204, 255};
  static constexpr std::uint8_t kGreen[7] = {0, 42, 85, 127, 170, 212, 255};
  static constexpr std::uint8_t kGreys[4] = {51, 102, 153, 204};
  std::vector<TPaletteEntry> entries;
  entries.reserve(256);
  for (std::uint8_t red : kRedBlue) {
    for (std::uint8_t green : kGreen) {
      for (std::uint8_t blue : kRedBlue) entries.push_back({red, green, blue, 0});
    }
  }
  for (std::uint8_t grey : kGreys) entries.push_back({grey, grey, grey, 0});
  return std::make_shared<const TPalette>(std::move(entries));
}

TPaletteHandle CopyPalette(const TPaletteHandle& palette) {
  if (palette == nullptr || IsStandardPalette16(palette)) return palette;
  return std::make_shared<const TPalette>(*palette);
}
