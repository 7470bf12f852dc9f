// The pictures the clipboard tests put on the clipboard, known to both programs.
#pragma once

#include <cstdint>

namespace clipboard_pattern {

// The colour (0xRRGGBB) of pixel (x, y) of the colour picture: every channel varies.
inline std::uint32_t Colour(int x, int y) {
  const auto red = static_cast<std::uint32_t>((x * 37 + y * 5) & 0xFF);
  const auto green = static_cast<std::uint32_t>((y * 53 + 7) & 0xFF);
  const auto blue = static_cast<std::uint32_t>(((x ^ y) * 29) & 0xFF);
  return red << 16 | green << 8 | blue;
}

// Whether pixel (x, y) of the monochrome picture is white.
inline bool White(int x, int y) { return ((x / 3 + y) % 2) == 0 || x == y; }

}  // namespace clipboard_pattern
