#include "cli/picture_operation.h"

#include <charconv>

#include "cli/batch.h"
#include "image/colour/daltonize.h"
#include "image/sheet/contact_sheet.h"

TRowOperation RowOperationFor(const TCliOptions& options) {
  switch (options.Operation) {
    case TCliOperation::coCondition:
      return AnalysisConditionOperation(options.Condition);
    case TCliOperation::coSimulate:
      return VisionModelOperation(options.VisionType, options.Severity);
    case TCliOperation::coDaltonize:
      return DaltonizeOperation(options.VisionType, options.Severity);
    case TCliOperation::coSheet:
      break;
  }
  // A sheet applies every operation to its own tiles; its job as a whole has none.
  return [](std::uint8_t*, int) {};
}

TRowOperation SeenOperationFor(const TCliOptions& options) {
  if (options.Operation != TCliOperation::coDaltonize) return RowOperationFor(options);
  // Measured against the original as a normal viewer sees it, so that the figures compare with
  // those of --simulate on the same picture.
  const TRowOperation daltonize = RowOperationFor(options);
  const TRowOperation model = VisionModelOperation(options.VisionType, options.Severity);
  return [daltonize, model](std::uint8_t* row, int width) {
    daltonize(row, width);
    model(row, width);
  };
}

std::string ViewerName(const TCliOptions& options) {
  std::string name;
  if (options.Operation == TCliOperation::coCondition) {
    return std::string(kSheetLabels[static_cast<std::size_t>(options.Condition) + 1]);
  }
  for (const TVisionTypeName& entry : kVisionTypeNames) {
    if (entry.Type == options.VisionType) name = entry.Name;
  }
  if (HasSeverity(options.VisionType)) {
    // The shortest text that reads back as the value, in every locale.
    char severity[32];
    const auto [end, error] = std::to_chars(severity, severity + sizeof severity, options.Severity);
    name += " at severity " + std::string(severity, error == std::errc() ? end : severity);
  }
  if (options.Operation == TCliOperation::coDaltonize) name += ", daltonized";
  return name;
}

std::unique_ptr<TBitmap> MakeResult(std::unique_ptr<TBitmap> source, const TCliOptions& options,
                                    std::vector<TContrastFigures>& figures) {
  if (options.Operation == TCliOperation::coSheet) {
    if (!options.ContrastLoss) return MakeContactSheet(*source);
    // The figures of every tile's operation on the picture at its own size; the maps of the
    // scaled picture.
    source->SetPixelLayout(TPixelLayout::pl24Bit);
    const auto operations = SheetTileOperations();
    for (std::size_t i = 0; i < operations.size(); ++i) {
      if (!operations[i]) continue;
      figures.push_back({std::string(kSheetLabels[i]),
                         CountContrastLoss(*source, operations[i], options.Thresholds)});
    }
    return MakeContrastLossSheet(*source, options.Thresholds);
  }
  if (!options.ContrastLoss) return AnalysePicture(std::move(source), RowOperationFor(options));
  source->SetPixelLayout(TPixelLayout::pl24Bit);
  figures.push_back({ViewerName(options),
                     ApplyContrastLossMap(*source, SeenOperationFor(options), options.Thresholds)});
  return source;
}
