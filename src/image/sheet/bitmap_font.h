// Our own small bitmap font for labels on generated pictures: the printable ASCII characters
// (32 to 126) in cells of 5 x 8 pixels, drawn at a whole-number scale. No font file is read, so
// labels look the same in every build and on every system.
#pragma once

#include <cstdint>
#include <string_view>

class TBitmap;

inline constexpr int kGlyphWidth = 5;
inline constexpr int kGlyphHeight = 8;  // seven rows above the baseline, one below
// From one character's left edge to the next one's: the glyph and one blank column.
inline constexpr int kGlyphAdvance = kGlyphWidth + 1;

// An 8-bit colour in the order of 24-bit pixels.
struct TPixelColour {
  std::uint8_t Blue;
  std::uint8_t Green;
  std::uint8_t Red;
};

// The width in pixels of `text` at `scale`, without the blank column after the last character.
int TextWidth(std::string_view text, int scale);

// Draws `text` with its top-left corner at (`left`, `top`) (0, 0 the top-left pixel) into
// `bitmap`, which must be in the 24-bit layout; pixels outside the bitmap are left out. A byte
// outside 32 to 126 is drawn as '?'.
void DrawText(TBitmap& bitmap, int left, int top, std::string_view text, int scale,
              TPixelColour colour);
