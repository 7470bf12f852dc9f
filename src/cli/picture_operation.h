// What a tintsight-cli job makes of a picture, as the options say: one per-row operation (an
// analysis condition or a colour-vision model) chosen once for every picture, or a contact sheet.
#pragma once

#include <memory>

#include "cli/cli_options.h"
#include "image/bitmap.h"
#include "image/colour/row_operation.h"

// The per-row operation of a condition or a model job, for the loaded and the streamed road alike.
// A sheet job has none: it gives an operation that changes nothing.
TRowOperation RowOperationFor(const TCliOptions& options);

// The result of a job on `source`, which the caller gives up: the picture in 24 bits with the
// row operation applied (see AnalysePicture), or the contact sheet of the picture.
std::unique_ptr<TBitmap> MakeResult(std::unique_ptr<TBitmap> source, const TCliOptions& options);
