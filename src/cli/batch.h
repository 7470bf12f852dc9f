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

// What "解析する" makes of `picture`, made in the picture itself: it is set to 24 bits per pixel
// and has one channel rewritten under `condition`. A 24-bit picture is rewritten in its own
// memory, no second bitmap is made; pixels that other bitmaps still share are copied on write as
// always and never change for them.
std::unique_ptr<TBitmap> AnalysePicture(std::unique_ptr<TBitmap> picture, int condition);
// The same with any per-row operation (a condition or a colour-vision model).
std::unique_ptr<TBitmap> AnalysePicture(std::unique_ptr<TBitmap> picture,
                                        const TRowOperation& operation);

// Runs every job of `options` in order, each on its road (analysis_road.h). A job that fails
// reports one line on `errors`, the failure's message, after the input's name in the batch form; the run goes on with the next
// job, and a failed job writes nothing. A contrast-loss job that succeeds prints its figures on
// `output`, a line per map (ContrastLossLine); on `errors` when its picture goes to standard
// output. Returns 0 when every job succeeded, else 1.
int RunBatch(const TCliOptions& options, const TPictureLoader& loader, std::ostream& output,
             std::ostream& errors);
