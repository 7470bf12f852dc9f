// Prints what becomes of each file of the BMP suite: the layout it loads as (or the exception it
// fails with) and how its 24-bit picture compares with the reference picture, one line per file,
// so that every difference from a browser's rendering is visible at a glance.
#include <cstdio>
#include <string>

#include "bmp_suite.h"

int main() {
  using namespace bmp_suite;
  std::printf("%-26s %-10s %-24s %s\n", "file", "layout", "compare", "result");
  for (const std::string& file : FilesIn("gqb")) {
    const TReference reference = ReferenceOf(file);
    const TResult r = Examine(file, reference);
    std::string result;
    if (r.MaxDifference >= 0) {
      result = r.Differing == 0 ? "identical"
                                : std::to_string(r.Differing) + " pixels differ, at most by " +
                                      std::to_string(r.MaxDifference);
      if (r.Transparent > 0) result += ", " + std::to_string(r.Transparent) + " transparent";
    } else {
      result = r.Failure.empty() ? "loaded, no reference" : r.Failure;
    }
    std::printf("%-26s %-10s %-24.24s %s\n", file.c_str(), r.Layout.empty() ? "-" : r.Layout.c_str(),
                reference.Compare.empty() ? "-" : reference.Compare.c_str(), result.c_str());
  }
  return 0;
}
