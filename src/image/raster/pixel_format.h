// Pixel formats and the conversion between any two of them.
//
// Every layout the engine knows is one entry of a single table (pixel_format.cpp) with two row
// functions: one that unpacks a row into the common layout (TRGBQuad per pixel: blue, green,
// red, and the source's fourth byte for 32 bits, else 0) and one that packs a common row into the
// layout. A conversion picks the two entries once per picture and then runs row by row, so no
// per-pixel dispatch is made. 5- and 6-bit channels widen to 8 bits by bit replication; packing
// into 1, 4 or 8 bits picks the nearest colour of the target's colour table.
#pragma once

#include <cstdint>
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
