// PNG files of our pictures: a 24-bit colour PNG (8 bits per channel, no alpha) of exactly the
// pixels that the BMP writer stores for a 24-bit picture.
#pragma once

#include "rtl/stream.h"

class TBitmap;

// The zlib level of our PNG files, chosen by measuring size against time on the samples
// (bench/png_level_bench.cpp): level 8 gave files 3% smaller than level 1 for 10 to 20% more
// time, and level 9 only 0.5% smaller again.
inline constexpr int kPngLevel = 8;

// Writes `bitmap`, which must be in the 24-bit layout, as PNG at the position of `stream`. The
// bitmap is only read (a shared image is not copied). Fails with
// EInvalidGraphic for a picture without pixels ("a picture without pixels cannot be stored as
// PNG") or one too large for the encoder, with EOutOfMemory "システム リソースが足りません" when
// the encoder runs out of memory, and with the stream's error when it cannot take the bytes;
// nothing is written then, except what the stream took before its failure.
void WritePng(TBitmap& bitmap, TStream& stream, int level = kPngLevel);
