// The pictures the clipboard tests put on the clipboard, known to both programs.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

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

// The picture as 0xRRGGBB pixels, rows from the top.
inline std::vector<std::uint32_t> Pixels(int width, int height, bool monochrome) {
  std::vector<std::uint32_t> pixels;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x)
      pixels.push_back(monochrome ? (White(x, y) ? 0xFFFFFF : 0) : Colour(x, y));
  }
  return pixels;
}

// A device-dependent bitmap of the picture: the screen's format, or 1 bit per pixel. The caller
// deletes it, or hands it to the clipboard.
inline HBITMAP MakeBitmap(int width, int height, bool monochrome) {
  if (monochrome) {
    // CreateBitmap wants rows padded to 2 bytes, top row first, 1 for white.
    const int rowLength = (width + 15) / 16 * 2;
    std::vector<std::uint8_t> bits(static_cast<std::size_t>(rowLength * height));
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x)
        bits[y * rowLength + x / 8] |= static_cast<std::uint8_t>(White(x, y) ? 0x80 >> (x % 8) : 0);
    }
    return ::CreateBitmap(width, height, 1, 1, bits.data());
  }
  const HDC screen = ::GetDC(nullptr);
  const HBITMAP bitmap = ::CreateCompatibleBitmap(screen, width, height);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  const std::vector<std::uint32_t> bits = Pixels(width, height, false);
  ::SetDIBits(screen, bitmap, 0, static_cast<UINT>(height), bits.data(), &info, DIB_RGB_COLORS);
  ::ReleaseDC(nullptr, screen);
  return bitmap;
}

}  // namespace clipboard_pattern
