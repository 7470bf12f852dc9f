// The analysis: one of six conditions rewrites one colour channel of every pixel of a 24-bit
// picture, in place.
//
//   0: red := 0      1: green := 0      2: blue := 0
//   3: red := (green + blue) / 2   4: green := (red + blue) / 2   5: blue := (red + green) / 2
//
// Means are formed wider than 8 bits and rounded down. The other two channels and the row
// padding are never changed.
#pragma once

class TBitmap;

inline constexpr int kAnalysisConditionCount = 6;

// Applies condition `condition` to `bitmap`, which must be in the 24-bit layout, row by row
// through RowData (so a shared image is copied first and the other sharers never see the
// change). Any index outside 0 to 5 changes nothing and visits no row.
void ApplyAnalysisCondition(TBitmap& bitmap, int condition);

// The same pass over one row of `width` pixels (3 bytes each, blue, green, red) at `row`, for a
// condition 0 to 5.
void ApplyAnalysisConditionToRow(unsigned char* row, int width, int condition);
