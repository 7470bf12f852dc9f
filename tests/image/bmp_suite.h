// The BMP suite of the shared corpora (g/ good, q/ questionable, b/ bad files, with reference
// PNGs and a map naming each file's reference), as the suite test and the results table read it.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace bmp_suite {

// The references mark 5- and 6-bit (and 10-bit) channels "fuzzy": we widen them by bit
// replication, browsers by rounding, which differ by at most this much per channel.
inline constexpr int kFuzzyTolerance = 1;

// One line of the reference map: how to compare ("exact", "fuzzy(...)", ...) and the reference
// picture relative to the suite (empty when there is none).
struct TReference {
  std::string Compare, Png;
  int Tolerance() const { return Compare.starts_with("fuzzy") ? kFuzzyTolerance : 0; }
};

// What became of one file. Anything but an exception of the family escapes to the caller.
struct TResult {
  std::string Layout;      // the layout the file loaded as, empty when it failed
  std::string Failure;     // "EClass: message", or why no comparison could be made
  int MaxDifference = -1;  // of one channel of one opaque pixel; -1 when not compared
  std::int64_t Differing = 0, Transparent = 0;
};

// The suite folder.
const std::string& SuiteDir();
// The map, by file name relative to the suite ("g/pal1.bmp").
const std::map<std::string, TReference>& References();
TReference ReferenceOf(const std::string& file);
// The BMP files of the given folders ("g", "qb"), relative to the suite, sorted.
std::vector<std::string> FilesIn(const std::string& folders);
// Loads `file` into a TBitmap, converts it to 24 bits and compares it with the reference PNG.
TResult Examine(const std::string& file, const TReference& reference);

}  // namespace bmp_suite
