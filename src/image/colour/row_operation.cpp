#include "image/colour/row_operation.h"

#include "image/bitmap.h"
#include "image/colour/analysis.h"

TRowOperation AnalysisConditionOperation(int condition) {
  return [condition](std::uint8_t* row, int width) {
    ApplyAnalysisConditionToRow(row, width, condition);
  };
}

void ApplyRowOperation(TBitmap& bitmap, const TRowOperation& operation) {
  const int height = bitmap.Height();
  const int width = bitmap.Width();
  if (width <= 0) return;
  // Rows in the order they lie in memory, where the processor's prefetching works best: bottom
  // row first in a bottom-up picture.
  if (bitmap.Description().dsBmih.biHeight > 0) {
    for (int y = height - 1; y >= 0; --y) operation(bitmap.RowData(y), width);
  } else {
    for (int y = 0; y < height; ++y) operation(bitmap.RowData(y), width);
  }
}
