// PNG files of our pictures: exactly the pixels that the BMP writer stores for a 24-bit picture,
// in the smallest exact layout (a palette of 1, 2, 4 or 8 bits, grey of 1, 2, 4 or 8 bits, or
// 8-bit RGB; see png_colour_reduction.h), rows filtered and compressed through zlib at the
// setting that suits the picture (png_deflate_choice.h), unless the caller names one.
#pragma once

#include "image/png/png_compression.h"
#include "rtl/stream.h"

class TBitmap;

// Writes `bitmap`, which must be in the 24-bit layout, as PNG at the position of `stream`. The
// bitmap is only read (a shared image is not copied); beside it the writer holds a few rows and
// compressed blocks. Fails with EInvalidGraphic for a picture without pixels ("a picture without
// pixels cannot be stored as PNG"), with EOutOfMemory "システム リソースが足りません" when zlib
// runs out of memory, and with the stream's error when it cannot take the bytes; what the
// stream took before a failure stays written, so callers write through a save they commit
// only on success.
void WritePng(TBitmap& bitmap, TStream& stream, const TPngCompression& compression = {});
