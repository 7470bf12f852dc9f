#include "cli/batch.h"

#include <exception>
#include <string>
#include <string_view>

#include "image/analysis.h"
#include "rtl/exception.h"

namespace {

// One line per failure: messages that span lines (the platform's error texts) are joined.
void Report(std::ostream& errors, std::string_view message) {
  std::string line(message);
  for (char& c : line) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  errors << "tintsight-cli: " << line << '\n';
}

}  // namespace

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
    } catch (const Exception& e) {
      Report(errors, e.Message());
      status = 1;
    } catch (const std::bad_alloc&) {
      Report(errors, "out of memory");
      status = 1;
    }
  }
  return status;
}
