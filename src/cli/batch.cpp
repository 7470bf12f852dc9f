#include "cli/batch.h"

#include <exception>
#include <string>

#include "cli/report.h"
#include "image/colour/analysis.h"

std::unique_ptr<TBitmap> AnalysePicture(std::unique_ptr<TBitmap> source, int condition) {
  auto result = std::make_unique<TBitmap>();
  result->Assign(source.get());
  source.reset();
  result->SetPixelLayout(TPixelLayout::pl24Bit);
  ApplyAnalysisCondition(*result, condition);
  return result;
}

int RunBatch(const TCliOptions& options, const TPictureLoader& loader, std::ostream& errors) {
  int status = 0;
  for (const TCliJob& job : options.Jobs) {
    try {
      AnalysePicture(loader.Load(job.Input), options.Condition)->StoreToFile(job.Output);
    } catch (const std::exception& failure) {
      const std::string message = FailureMessage(failure);
      ReportError(errors, options.IsBatch() ? job.Input + ": " + message : message);
      status = 1;
    }
  }
  return status;
}
