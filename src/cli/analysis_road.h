// Which road one job takes to the same bytes. A condition or a model written as BMP, from an
// uncompressed BMP file that the BMP reader would read first (the input's name has no extension
// or ".bmp"), takes the row road: header and colour table read once, then rows converted,
// rewritten and written a block at a time, so memory does not grow with the picture. Everything
// else (run-length BMP, other formats, input the BMP reader refuses, standard input, an input
// that is also the output, contact sheets, PNG output) is loaded whole through `loader`,
// rewritten in place and saved.
#pragma once

#include "cli/cli_options.h"
#include "cli/picture_loader.h"
#include "cli/picture_operation.h"

// Makes the result of `job` as `options` say and writes it through the one save road
// (OpenOutput), so a failure at any point leaves the old output file as it was. Returns the
// figures of a contrast-loss job (one per map), none for other jobs. Fails as the loader, the
// BMP reader, the writers or the save fail. A contrast-loss map (not a sheet) takes the row road
// as a condition does, holding a few rows.
std::vector<TContrastFigures> AnalyseJob(const TCliJob& job, const TCliOptions& options,
                                         const TPictureLoader& loader);
