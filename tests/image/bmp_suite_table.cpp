// Prints how TBitmap reads each file of the BMP suite: the outcome, the layout it loaded as,
// and how its 24-bit picture compares with the reference PNG.
#include <cstdio>
#include <string>

#include "bmp_suite.h"

int main() {
  const auto map = bmp_suite::ReadReferenceMap();
  std::printf("%-26s %-8s %-9s %-24s %-8s %s\n", "file", "outcome", "layout", "reference",
              "compare", "result");
  int failures = 0;
  for (const std::string& file : bmp_suite::SuiteFiles()) {
    const auto found = map.find(file);
    const bmp_suite::TReference reference = found == map.end() ? bmp_suite::TReference{} : found->second;
    const bmp_suite::TResult r = bmp_suite::Examine(file, reference);
    std::string detail;
    if (r.Outcome != bmp_suite::TOutcome::soLoaded) {
      detail = r.Failure;
    } else if (r.Compared) {
      detail = r.PixelsDiffering == 0 ? "identical"
                                      : std::to_string(r.PixelsDiffering) + " pixels differ, max " +
                                            std::to_string(r.MaxDifference);
      if (r.PixelsSkipped > 0) detail += " (" + std::to_string(r.PixelsSkipped) + " transparent skipped)";
    } else {
      detail = r.CompareProblem.empty() ? "no reference" : r.CompareProblem;
    }
    if (r.Outcome == bmp_suite::TOutcome::soOtherFailure) ++failures;
    std::printf("%-26s %-8s %-9s %-24.24s %-8.8s %s\n", file.c_str(),
                bmp_suite::OutcomeName(r.Outcome), r.Layout.c_str(), reference.Expected.c_str(),
                reference.Compare.c_str(), detail.c_str());
  }
  return failures == 0 ? 0 : 1;
}
