// The records that describe a bitmap, in the layouts that BMP files and the Windows API use:
// little-endian, 32-bit fields unless noted. These are plain data; the raster engine
// (raster_bitmap.h) fills them in and reads them.
#pragma once

#include <cstdint>
#include <type_traits>

// Compression values of the info header. Where <windows.h> came first its macros stand instead;
// they have the same values.
#ifndef BI_RGB
inline constexpr std::uint32_t BI_RGB = 0;
#endif
#ifndef BI_RLE8
inline constexpr std::uint32_t BI_RLE8 = 1;
#endif
#ifndef BI_RLE4
inline constexpr std::uint32_t BI_RLE4 = 2;
#endif
#ifndef BI_BITFIELDS
inline constexpr std::uint32_t BI_BITFIELDS = 3;
#endif

// One colour-table entry: blue, green, red, and a reserved byte written as 0.
struct TRGBQuad {
  std::uint8_t rgbBlue;
  std::uint8_t rgbGreen;
  std::uint8_t rgbRed;
  std::uint8_t rgbReserved;

  friend bool operator==(const TRGBQuad&, const TRGBQuad&) = default;
};
static_assert(sizeof(TRGBQuad) == 4);

// The 40-byte info header of a device-independent bitmap, exactly as a BMP file stores it.
// A positive height means rows are stored bottom-up, a negative one top-down.
struct TBitmapInfoHeader {
  std::uint32_t biSize;
  std::int32_t biWidth;
  std::int32_t biHeight;
  std::uint16_t biPlanes;
  std::uint16_t biBitCount;
  std::uint32_t biCompression;
  std::uint32_t biSizeImage;
  std::int32_t biXPelsPerMeter;
  std::int32_t biYPelsPerMeter;
  std::uint32_t biClrUsed;
  std::uint32_t biClrImportant;

  friend bool operator==(const TBitmapInfoHeader&, const TBitmapInfoHeader&) = default;
};
static_assert(sizeof(TBitmapInfoHeader) == 40);
static_assert(std::is_trivially_copyable_v<TBitmapInfoHeader>);

// What the engine reports of any bitmap: its size, the bytes per row of its pixel memory, its
// depth and, for a DIB section, the address of its pixel memory (null for a device-dependent
// bitmap, whose memory is not addressed directly). Width and height are never negative here.
struct TBitmapRecord {
  std::int32_t bmType;
  std::int32_t bmWidth;
  std::int32_t bmHeight;
  std::int32_t bmWidthBytes;
  std::uint16_t bmPlanes;
  std::uint16_t bmBitsPixel;
  std::uint8_t* bmBits;
};

// The full description of a bitmap: the record above, the info header (all 0 for a
// device-dependent bitmap), the three colour masks red, green, blue (used with BI_BITFIELDS),
// and the file-mapping handle and offset of a DIB section (always null and 0 here: the engine's
// pixel memory is never a file mapping).
struct TDIBSection {
  TBitmapRecord dsBm;
  TBitmapInfoHeader dsBmih;
  std::uint32_t dsBitfields[3];
  void* dshSection;
  std::uint32_t dsOffset;
};
static_assert(std::is_trivially_copyable_v<TDIBSection>);

// The bytes of one row of pixel memory: `width` pixels of `bitCount` bits, padded to a multiple
// of 4 bytes. Computed in 64 bits; negative widths count as their absolute value.
constexpr std::int64_t DIBRowLength(std::int64_t width, std::int64_t bitCount) {
  if (width < 0) width = -width;
  return ((width * bitCount + 31) & ~std::int64_t{31}) / 8;
}

// The default masks of bit-field pictures: 5-6-5 for 16 bits, 8-8-8 for 32 bits.
// Whether a DIB section may have `bitCount` bits per pixel.
constexpr bool IsDIBBitCount(std::int64_t bitCount) {
  return bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 16 || bitCount == 24 ||
         bitCount == 32;
}

inline constexpr std::uint32_t kMasks565[3] = {0xF800, 0x07E0, 0x001F};
inline constexpr std::uint32_t kMasks888[3] = {0xFF0000, 0x00FF00, 0x0000FF};
