#include "cli/batch.h"

#include <exception>
#include <string>

#include "cli/output_file.h"
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
      // The input is read whole before the output is opened, so "x.bmp x.bmp" replaces the
      // file only with its own result.
      const std::unique_ptr<TBitmap> result =
          AnalysePicture(loader.Load(job.Input), options.Condition);
      const std::unique_ptr<TFileSave> output = OpenOutput(job.Output);
      result->StoreToStream(output->Stream());
      output->Commit();
    } catch (const std::exception& failure) {
      const std::string message = FailureMessage(failure);
      ReportError(errors, options.IsBatch() ? job.Input + ": " + message : message);
      status = 1;
    }
  }
  return status;
}
