// Which deflate setting suits a picture. Deep match search (kDeepDeflate) pays where pictures
// repeat themselves: flat areas, text, patterns, as in sheets, charts and screenshots, which it
// makes 10 to 50% smaller than the run-length strategy does. On a photo, whose filtered rows are
// mostly grain, it buys about 2% for 20 times the time. A sample of the picture's filtered rows
// is compressed both ways, and the fast setting is taken where it loses little.
#pragma once

#include "image/colour/row_reader.h"
#include "image/png/png_colour_reduction.h"
#include "image/png/png_compression.h"

// kFastDeflate when the sample of the picture that `reader` reads, packed as `reduction` chose
// (after its ChooseLayout), comes out at most kFastMarginPercent larger with it than with
// kDeepDeflate; kDeepDeflate otherwise, and for a picture no larger than the sample, which
// costs little either way. The choice depends on the pixels alone (not on the threads). Fails with
// EOutOfMemory "システム リソースが足りません" when zlib has no memory.
TPngDeflateSetting DeflateSettingFor(const TRowReader& reader,
                                     const TPngColourReduction& reduction);

// What the fast setting may lose on the sample and still be taken, in percent of the deep
// setting's bytes. Measured on the samples of bench/png_bench.sh (4 bands of 64 KB): the
// 12-megapixel photo loses 1.5% (2.1% on the whole file), the contact sheet 10%, the screenshot
// 39%, the enlarged samples and their sheets 59 to 650%.
inline constexpr int kFastMarginPercent = 3;
