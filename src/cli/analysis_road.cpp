#include "cli/analysis_road.h"

#include <memory>
#include <optional>

#include "cli/input_reading.h"
#include "cli/output_file.h"
#include "cli/picture_operation.h"
#include "cli/picture_output.h"
#include "image/bmp/bmp_format.h"
#include "image/bmp/bmp_stream_analysis.h"
#include "platform/file.h"
#include "rtl/exception.h"
#include "rtl/file_name.h"
#include "rtl/file_save.h"
#include "rtl/file_stream.h"

namespace {

// Whether the BMP reader comes before the plug-ins for `fileName`, as the loader decides it.
bool BmpReaderFirst(const std::string& fileName) {
  std::string ext = ExtractFileExt(fileName);
  for (char& c : ext) c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
  return ext.empty() || ext == ".BMP";
}

// Writes the result of `job` on the row road when the road takes it, adding the figures of a
// contrast-loss map; false, having written nothing, otherwise. Standard input is read whole: the
// road may need to read back to front.
bool AnalyseRows(const TCliJob& job, const TCliOptions& options,
                 std::vector<TContrastFigures>& figures) {
  if (options.Operation == TCliOperation::coSheet ||
      OutputFormatFor(job.Output) != TOutputFormat::ofBmp || job.Input == kStandardStreamName ||
      !BmpReaderFirst(job.Input)) {
    return false;
  }
  // An input that is also the output ("x.bmp x.bmp") is read whole before it is replaced: the
  // row road would hold it open while the save takes its place.
  const std::optional<platform::TFileIdentity> identity = platform::FileIdentityOf(job.Input);
  if (identity && identity == platform::FileIdentityOf(job.Output)) return false;
  std::optional<TFileStream> input;
  std::optional<TBmpPrologue> prologue;
  try {
    input.emplace(job.Input, fmOpenRead | fmShareDenyWrite);
    const std::int64_t size = input->Size();
    // Input the whole-picture road refuses (empty, longer than any picture) is left to it.
    if (size <= 0 || size > kLargestInput) return false;
    prologue = ReadBmpPrologue(*input, size);
  } catch (const Exception&) {
    return false;  // the whole-picture road tries the plug-ins and reports why
  }
  if (!RowRoadTakes(*prologue)) return false;
  const std::unique_ptr<TFileSave> output = OpenOutput(job.Output);
  if (options.ContrastLoss) {
    TContrastLossMap map(prologue->Header.biWidth, SeenOperationFor(options), options.Thresholds);
    FilterBmpRows(*input, *prologue, output->Stream(), map);
    output->Commit();
    figures.push_back({ViewerName(options), map.Counts()});
    return true;
  }
  AnalyseBmpRows(*input, *prologue, output->Stream(), RowOperationFor(options));
  output->Commit();
  return true;
}

}  // namespace

std::vector<TContrastFigures> AnalyseJob(const TCliJob& job, const TCliOptions& options,
                                         const TPictureLoader& loader) {
  std::vector<TContrastFigures> figures;
  if (AnalyseRows(job, options, figures)) return figures;
  // The input is read whole before the output is opened, so "x.bmp x.bmp" replaces the file
  // only with its own result.
  StorePicture(*MakeResult(loader.Load(job.Input), options, figures), job.Output);
  return figures;
}
