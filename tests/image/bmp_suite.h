// The BMP suite in the shared corpora (g/ good, q/ questionable, b/ bad files, with reference
// PNGs and a map that names each file's reference): each file read by TBitmap, converted to 24
// bits and compared with its reference. Used by the conformance test and by bmp_suite_table.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace bmp_suite {

// The suite's folder, as this program reaches it.
std::string SuiteDir();

// One line of the reference map.
struct TReference {
  std::string Expected;  // the map's reference name, "REJECTED...", or a note
  std::string Compare;   // "exact", "fuzzy", "exact(...)", "fuzzy(...)" or "-"
  std::string Png;       // the reference picture relative to the suite, empty when none
};

// The map, by file name relative to the suite ("g/pal1.bmp").
std::map<std::string, TReference> ReadReferenceMap();

// The BMP files of g/, q/ and b/, relative to the suite, sorted.
std::vector<std::string> SuiteFiles();

enum class TOutcome {
  soLoaded,        // read and converted to 24 bits
  soRefused,       // failed with an exception of the class library's family
  soOtherFailure,  // failed with anything else: never acceptable
};

struct TResult {
  std::string File;
  TOutcome Outcome = TOutcome::soOtherFailure;
  std::string Failure;  // "EClass: message" for a failure
  std::string Layout;   // the layout the file loaded as
  int Width = 0;
  int Height = 0;
  // The comparison with the reference PNG, where there is one and the file loaded.
  bool Compared = false;
  std::string CompareProblem;     // why no comparison could be made (size, missing file)
  int MaxDifference = 0;          // the largest difference of one channel of one pixel
  std::int64_t PixelsDiffering = 0;
  std::int64_t PixelsSkipped = 0;  // transparent in the reference: the colour is undefined
};

// Loads `file` (relative to the suite) into a TBitmap and compares it with `reference`.
TResult Examine(const std::string& file, const TReference& reference);

const char* OutcomeName(TOutcome outcome);

}  // namespace bmp_suite
