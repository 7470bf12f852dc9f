#include "cli/picture_operation.h"

#include "cli/batch.h"
#include "image/sheet/contact_sheet.h"

TRowOperation RowOperationFor(const TCliOptions& options) {
  switch (options.Operation) {
    case TCliOperation::coCondition:
      return AnalysisConditionOperation(options.Condition);
    case TCliOperation::coSimulate:
      return VisionModelOperation(options.VisionType, options.Severity);
    case TCliOperation::coSheet:
      break;
  }
  // A sheet applies every operation to its own tiles; its job as a whole has none.
  return [](std::uint8_t*, int) {};
}

std::unique_ptr<TBitmap> MakeResult(std::unique_ptr<TBitmap> source, const TCliOptions& options) {
  if (options.Operation == TCliOperation::coSheet) return MakeContactSheet(*source);
  return AnalysePicture(std::move(source), RowOperationFor(options));
}
