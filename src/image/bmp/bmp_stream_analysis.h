// The row road: an uncompressed BMP converted to 24 bits, rewritten by a row operation and
// written out block by block, never holding the picture. Its bytes are the bytes the window
// stores for the same picture loaded whole, converted to 24 bits and rewritten alike: both roads
// take the stored header from StoredBmpImage and convert rows through the one pixel-format
// table; they differ only in where the rows come from.
#pragma once

#include "image/bmp/bmp_format.h"
#include "image/colour/row_filter.h"
#include "image/colour/row_operation.h"

class TStream;

// Whether the row road takes a picture of `prologue`: uncompressed, in a depth and compression
// that a loaded picture can have. Run-length pictures and anything the reader would refuse take
// the whole-picture road.
bool RowRoadTakes(const TBmpPrologue& prologue);

// What the 24-bit result of a picture of `prologue` is stored with: a 24-bit picture keeps its
// header (and so its order of rows and resolution); any other depth becomes a new bottom-up
// 24-bit picture. Both carry the source's colour table, as the window's picture keeps it for
// its palette. The colours point into `prologue`, which must outlive the result.
TBmpImage AnalysedBmpImage(const TBmpPrologue& prologue);

// Writes the analysed picture to `output`: the headers, then the rows of `input` (standing at
// the first pixel byte of a picture of `prologue`, which RowRoadTakes) converted to 24 bits,
// passed through `operation` and written a block of about a megabyte at a time. A top-down
// source of another depth than 24 becomes a bottom-up result and is read back to front, which
// needs a seekable `input`. Neither stream is owned. A read or write error passes on; what was
// written stays written, so the caller writes through a save that it commits only on success.
void AnalyseBmpRows(TStream& input, const TBmpPrologue& prologue, TStream& output,
                    const TRowOperation& operation);

// The same road for a pass that looks at the rows around each row (a TRowFilter of the
// picture's width): rows of `input` go into `filter` in the order of the file (bottom-up
// sources from the bottom), converted to 24 bits, and the filter's rows are written as they
// come, a block at a time. Memory is the filter's few rows and one block.
void FilterBmpRows(TStream& input, const TBmpPrologue& prologue, TStream& output,
                   TRowFilter& filter);
