// Decoding a picture held in memory into 8-bit RGB or RGBA pixels.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

// Pictures with more pixels than this are refused (SPI_NO_MEMORY) before any pixel memory is
// allocated: 2^28 pixels are 1 GiB of 32-bit bits, already beyond what a 32-bit process can
// hand out in one block.
inline constexpr std::uint64_t kMaxPixels = std::uint64_t{1} << 28;

// No format we decode packs more pixels than this into one byte of its file (deflate reaches about
// 1032 : 1 on bytes, and 1-bit PNG rows hold 8 pixels a byte). A header that claims more is
// damaged or hostile: refusing it spares a long decoding of padding into a huge picture.
inline constexpr std::uint64_t kMaxPixelsPerByte = 16384;

struct TImageShape {
  int Width = 0;
  int Height = 0;
  // 4 when the picture has an alpha channel (delivered as RGBA), else 3 (RGB).
  int Channels = 0;
};

// Decoded pixels: Height rows from the top, each Width * Channels bytes without padding, in the
// order red, green, blue (, alpha straight, not premultiplied). Owns its pixel memory.
struct TDecodedImage {
  TImageShape Shape;
  std::unique_ptr<std::uint8_t, void (*)(void*)> Pixels{nullptr, nullptr};
};

// The size and channels of the picture in `data` (`size` bytes) without decoding its pixels.
// Answers SPI_SUCCESS, SPI_UNKNOWN_FORMAT (not a format of this plug-in), SPI_BROKEN_DATA (its
// header is unreadable, or claims more pixels than kMaxPixelsPerByte allows for `size`, or the
// data is laid out in a way the decoder would mishandle: see hdr_scanlines.h, png_chunks.h) or
// SPI_NO_MEMORY (above kMaxPixels).
std::int32_t ReadImageShape(const std::uint8_t* data, std::size_t size, TImageShape& shape);

// Decodes the picture in `data`: 16-bit channels are reduced to 8 bits, grey is widened to RGB,
// HDR is tone-mapped, GIF gives its first frame and PSD its composite. Answers as ReadImageShape,
// and SPI_BROKEN_DATA when the pixel data cannot be decoded.
std::int32_t DecodeImage(const std::uint8_t* data, std::size_t size, TDecodedImage& image);
