#include "cli/batch.h"

#include <exception>
#include <string>

#include "cli/picture_operation.h"
#include "cli/picture_output.h"
#include "cli/report.h"

std::unique_ptr<TBitmap> AnalysePicture(std::unique_ptr<TBitmap> source,
                                        const TRowOperation& operation) {
  auto result = std::make_unique<TBitmap>();
  result->Assign(source.get());
  source.reset();
  result->SetPixelLayout(TPixelLayout::pl24Bit);
  ApplyRowOperation(*result, operation);
  return result;
}

std::unique_ptr<TBitmap> AnalysePicture(std::unique_ptr<TBitmap> source, int condition) {
  return AnalysePicture(std::move(source), AnalysisConditionOperation(condition));
}

int RunBatch(const TCliOptions& options, const TPictureLoader& loader, std::ostream& errors) {
  int status = 0;
  for (const TCliJob& job : options.Jobs) {
    try {
      // The input is read whole before the output is opened, so "x.bmp x.bmp" replaces the
      // file only with its own result.
      StorePicture(*MakeResult(loader.Load(job.Input), options), job.Output);
    } catch (const std::exception& failure) {
      const std::string message = FailureMessage(failure);
      ReportError(errors, options.IsBatch() ? job.Input + ": " + message : message);
      status = 1;
    }
  }
  return status;
}
