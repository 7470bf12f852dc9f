// The work of tintsight-cli: each job loads its input, analyses it exactly as the window's
// "解析する" does, and saves the result as a BMP file.
#pragma once

#include <ostream>

#include "cli/cli_options.h"
#include "cli/picture_loader.h"
#include "image/bitmap.h"

// What "解析する" makes of `source`: `result` takes the picture (sharing its pixels), is set to
// 24 bits per pixel, and has one channel rewritten under `condition`. `source` never changes.
void AnalysePicture(const TBitmap& source, int condition, TBitmap& result);

// Runs every job of `options` in order. A job that fails reports one line on `errors` (the
// exception's message) and the batch goes on with the next. Returns 0 when every job
// succeeded, else 1.
int RunBatch(const TCliOptions& options, const TPictureLoader& loader, std::ostream& errors);
