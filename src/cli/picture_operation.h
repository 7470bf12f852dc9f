// What a tintsight-cli job makes of a picture, as the options say: one per-row operation (an
// analysis condition, a colour-vision model or a daltonization) chosen once for every picture, a
// contact sheet, or the contrast-loss map of either.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "image/bitmap.h"
#include "image/colour/contrast_loss.h"
#include "image/colour/row_operation.h"

// The per-row operation of a condition, model or daltonization job, for the loaded and the
// streamed road alike. A sheet job has none: it gives an operation that changes nothing.
TRowOperation RowOperationFor(const TCliOptions& options);

// What the viewer of a --contrast-loss job sees of an original row: the job's row operation,
// and after a daltonization the model of the type it was made for.
TRowOperation SeenOperationFor(const TCliOptions& options);

// The name of what a --contrast-loss job measures, as its line of figures prints it: the type
// ("deuteranopia", "protanomaly at severity 0.6", "deuteranopia, daltonized") or the
// condition's label on the sheet ("3 red = (G+B)/2").
std::string ViewerName(const TCliOptions& options);

// The figures of one map: what was measured and what it found.
struct TContrastFigures {
  std::string Viewer;
  TContrastCounts Counts;
};

// The result of a job on `source`, which the caller gives up: the picture in 24 bits with the
// row operation applied (see AnalysePicture), the contact sheet of the picture, or with
// --contrast-loss the map or the sheet of maps, whose figures (of the picture at its own size)
// are added to `figures`.
std::unique_ptr<TBitmap> MakeResult(std::unique_ptr<TBitmap> source, const TCliOptions& options,
                                    std::vector<TContrastFigures>& figures);
