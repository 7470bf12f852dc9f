#include "cli/batch.h"

#include <exception>
#include <string>

#include "cli/analysis_road.h"
#include "cli/input_reading.h"
#include "cli/report.h"

std::unique_ptr<TBitmap> AnalysePicture(std::unique_ptr<TBitmap> picture,
                                        const TRowOperation& operation) {
  picture->SetPixelLayout(TPixelLayout::pl24Bit);
  ApplyRowOperation(*picture, operation);
  return picture;
}

std::unique_ptr<TBitmap> AnalysePicture(std::unique_ptr<TBitmap> picture, int condition) {
  return AnalysePicture(std::move(picture), AnalysisConditionOperation(condition));
}

int RunBatch(const TCliOptions& options, const TPictureLoader& loader, std::ostream& output,
             std::ostream& errors) {
  int status = 0;
  for (const TCliJob& job : options.Jobs) {
    try {
      // A picture written to standard output keeps it to itself: its figures go to standard
      // error instead of into its bytes.
      std::ostream& figures = job.Output == kStandardStreamName ? errors : output;
      for (const TContrastFigures& f : AnalyseJob(job, options, loader)) {
        figures << ContrastLossLine(job.Input, f.Viewer, f.Counts.Lost, f.Counts.Visible) << '\n';
      }
    } catch (const std::exception& failure) {
      const std::string message = FailureMessage(failure);
      ReportError(errors, options.IsBatch() ? job.Input + ": " + message : message);
      status = 1;
    }
  }
  return status;
}
