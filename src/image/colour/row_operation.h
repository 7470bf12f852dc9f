// A per-row operation on 24-bit pictures: what an analysis condition and a colour-vision model
// both are to the code that runs them. It rewrites `width` pixels (3 bytes each: blue, green,
// red) of one row in place and never touches the row's padding. Every pixel depends on its own
// bytes alone, so rows may be visited in any order, and a streamed road may pass rows one by one.
//
// The operation is chosen once per picture; it holds what it needs (tables, matrices) and may be
// copied and called from any thread.
#pragma once

#include <cstdint>
#include <functional>

class TBitmap;

using TRowOperation = std::function<void(std::uint8_t* row, int width)>;

// The operation of analysis condition `condition` (0 to 5); any other index gives an operation
// that changes nothing.
TRowOperation AnalysisConditionOperation(int condition);

// Runs `operation` over every row of `bitmap`, which must be in the 24-bit layout, through
// RowData (so a shared image is copied first and the other sharers never see the change).
void ApplyRowOperation(TBitmap& bitmap, const TRowOperation& operation);
