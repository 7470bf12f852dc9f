// Pixel formats and the conversion between any two of them.
//
// Every layout the engine knows is one entry of a single table (pixel_format.cpp) with two row
// functions: one that unpacks a row into the common layout (TRGBQuad per pixel: blue, green,
// red, and the source's fourth byte for 32 bits, else 0) and one that packs a common row into the
// layout. A conversion picks the two entries once per picture and then runs row by row, so no
// per-pixel dispatch is made. 5- and 6-bit channels widen to 8 bits by bit replication; packing
// into 1, 4 or 8 bits picks the nearest colour of the target's colour table.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "image/raster/dib.h"

class TRasterBitmap;

enum class TPixelFormat {
  pfIndexed1,  // 1 bit, colour table (also the monochrome device form, black and white)
  pfIndexed4,  // 4 bits, colour table
  pfIndexed8,  // 8 bits, colour table
  pfMasked16,  // 16 bits, three masks (5-5-5 for BI_RGB)
  pfRGB24,     // 24 bits, blue, green, red
  pfRGB32,     // 32 bits, blue, green, red, fourth byte (BI_RGB; the 32-bit device form)
  pfMasked32,  // 32 bits, three masks (BI_BITFIELDS)
};

// The format of a bitmap's pixel memory.
TPixelFormat PixelFormatOf(const TRasterBitmap& bitmap);

// What reading or writing rows of one layout needs beside the format: the colour table of an
// indexed format (black beyond its end) and the red, green and blue masks of a masked one.
// The table is not copied: it must outlive the conversions made from the layout.
struct TRowLayout {
  TPixelFormat Format = TPixelFormat::pfRGB24;
  std::span<const TRGBQuad> Table;
  std::array<std::uint32_t, 3> Masks{};
};

// The row layout of a DIB section described by `header`, `masks` (read with BI_BITFIELDS; a red
// mask of 0 selects the depth's defaults, as a section made from the header has them) and
// `table`: 5-5-5 masks for 16 bits without bit fields. The header's depth and compression must
// be ones a DIB section can have.
TRowLayout RowLayoutOf(const TBitmapInfoHeader& header, const std::uint32_t* masks,
                       std::span<const TRGBQuad> table);

// One conversion of rows from one layout into another, prepared once per picture: the two
// entries of the format table are chosen here, so every row runs through the same two row
// functions. Whoever holds a TRowConversion owns it; it keeps a row of working memory.
class TRowConversion {
 public:
  TRowConversion(const TRowLayout& source, const TRowLayout& target, int width);
  TRowConversion(const TRowConversion&) = delete;
  TRowConversion& operator=(const TRowConversion&) = delete;
  ~TRowConversion();

  // Converts the first `width` pixels of the row at `source` into the row at `target`. Row
  // padding of the target is never written.
  void Convert(const std::uint8_t* source, std::uint8_t* target);

 private:
  struct TState;
  std::unique_ptr<TState> State_;
};

// Copies the top-left `width` x `height` pixels of `source` onto `target`, both counted from the
// top row whatever their order in memory, converting between their formats. Both sizes must lie
// within both bitmaps. Row padding of the target is never written.
void ConvertPixels(const TRasterBitmap& source, TRasterBitmap& target, int width, int height);

// Sets every pixel of `target` to white (for an indexed target: the table's nearest colour to
// white). Row padding is never written.
void FillWhite(TRasterBitmap& target);

// The colour table the engine uses for `bitCount` bits (1, 4 or 8) when a picture brings none of
// its own (a true-colour device bitmap read into indexed form): black and white for 1 bit, the
// standard 16 colours for 4 bits, the fixed 256-colour palette for 8 bits.
std::vector<TRGBQuad> DefaultColorTable(int bitCount);
