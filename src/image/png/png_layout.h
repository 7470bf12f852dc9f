// The pixel layout of a PNG file we write: its colour type, bit depth and palette, which decide
// how many bytes each raw row holds.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

// The colour types we write, with their numbers in the file header. No alpha: our pictures
// have none.
enum class TPngColourType : std::uint8_t { pcGrey = 0, pcRgb = 2, pcPalette = 3 };

struct TPngLayout {
  int Width = 0;
  int Height = 0;
  TPngColourType ColourType = TPngColourType::pcRgb;
  int BitDepth = 8;  // 1, 2, 4 or 8 for grey and palette; 8 for RGB
  // Red, green, blue per entry; for pcPalette only, at most 2^BitDepth entries.
  std::vector<std::array<std::uint8_t, 3>> Palette;

  // Bytes of one raw row before filtering (no filter byte): pixels packed from the most
  // significant bit, the last byte padded with zero bits.
  std::int64_t RowBytes() const {
    const int channels = ColourType == TPngColourType::pcRgb ? 3 : 1;
    return (std::int64_t{Width} * channels * BitDepth + 7) / 8;
  }
  // Bytes per complete pixel as the filters see it (at least 1).
  int FilterStep() const { return ColourType == TPngColourType::pcRgb ? 3 : 1; }
};
