// The work of tintsight-cli: each job loads its input, analyses it exactly as the window's
// "解析する" does (or simulates a colour-vision deficiency, or makes a contact sheet), and saves
// the result as a BMP or PNG file.
#pragma once

#include <memory>
#include <ostream>

#include "cli/cli_options.h"
#include "cli/picture_loader.h"
#include "image/bitmap.h"
#include "image/colour/row_operation.h"

// What "解析する" makes of `source`: a new bitmap takes the picture (sharing its pixels), is set
// to 24 bits per pixel, and has one channel rewritten under `condition`. The caller gives the
// source up: it is released before the first row is rewritten, so a 24-bit picture is
// rewritten in its own memory instead of a copy. Pictures that other bitmaps still share are
// copied on write as always and never change.
std::unique_ptr<TBitmap> AnalysePicture(std::unique_ptr<TBitmap> source, int condition);
// The same with any per-row operation (a condition or a colour-vision model).
std::unique_ptr<TBitmap> AnalysePicture(std::unique_ptr<TBitmap> source,
                                        const TRowOperation& operation);

// Runs every job of `options` in order. A job that fails reports one line on `errors`, the
// failure's message, after the input's name in the batch form; the run goes on with the next
// job, and a failed job writes nothing. Returns 0 when every job succeeded, else 1.
int RunBatch(const TCliOptions& options, const TPictureLoader& loader, std::ostream& errors);
