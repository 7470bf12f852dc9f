// The one routine that makes every new engine bitmap from a description: copies, conversions of
// layout and the device-dependent and DIB-section forms all rest on it.
#pragma once

#include "image/raster/dib.h"
#include "image/raster/palette.h"
#include "image/raster/raster_bitmap.h"

// Makes the bitmap that `description` asks for and, when one was made, refreshes `description`
// from it (the whole record for a DIB section, the BITMAP part alone for a device-dependent
// bitmap).
//  - Nothing is made (the result is null, `description` unchanged) when the description has an
//    info header (biSize not 0) with a width or height of 0, or none and a BITMAP width or height
//    of 0.
//  - A biSize of 40 or more asks for a DIB section of the header's size and layout (biSize is
//    set to 40, planes to 1). Its colour table (8 bits or fewer): black and white for 1 bit when
//    `source` is not a DIB section or there is none; else `targetPalette`'s entries; else the
//    source's own table. For 16 and 32 bits with BI_BITFIELDS the description's masks are used,
//    the defaults of the depth when the red mask is 0.
//  - A smaller biSize asks for a device-dependent bitmap of the BITMAP part's size: monochrome
//    when its planes and bits per pixel are both 1, else the 32-bit screen format.
// The pixels of `source` (may be null) are then copied in: straight through when the target is a
// DIB section of the source's size with more than 8 bits per pixel; otherwise the target is first
// filled with white and the top-left part that both share is copied. A DIB section's pixels are
// read through its own colour table, a device-dependent bitmap's as true colour (or black and
// white), so no source palette is needed: the display has no hardware palette to realise.
// Fails with EInvalidGraphic "ビットマップイメージが不正です" for a description the engine cannot
// make, and with EOutOfResources when memory runs out; nothing is left behind on failure.
TRasterBitmapPtr MakeBitmap(const TRasterBitmap* source, const TPaletteHandle& targetPalette,
                            TDIBSection& description);
