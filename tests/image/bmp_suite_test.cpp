// The BMP suite of the shared corpora. Good files must load and, converted to 24 bits, match
// their reference pictures; questionable and bad files must load or fail with an exception of
// the class library's family, never anything else, and under the sanitizer builds none may read
// or write outside a buffer.
#include "bmp_suite.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace {

using bmp_suite::TOutcome;

// The references mark 5- and 6-bit (and 10-bit) channels "fuzzy": we widen them by bit
// replication, browsers by rounding, which differ by at most this much per channel.
constexpr int kFuzzyTolerance = 1;

// Where our required reading differs from a browser's, one line per file.
const std::map<std::string, std::string> kDiffersFromBrowser = {
    {"q/pal8offs.bmp", "pixel bytes are taken right after the colour table, not at the offset field"},
    {"q/pal8os2sp.bmp", "a core header always carries a full table of 2^bits entries"},
    {"q/rgb24prof2.bmp", "embedded colour profiles are not applied"},
};

// Files with a reference picture that we refuse, one line per file.
const std::map<std::string, std::string> kRefusedOnPurpose = {
    {"q/pal8os2v2-16.bmp", "a header size below 40 other than 12 is not a picture"},
    {"q/pal8oversizepal.bmp", "a colour table of more than 256 entries"},
    {"q/rgb24largepal.bmp", "a colour table of more than 256 entries"},
    {"b/badpalettesize.bmp", "a colour table of more than 256 entries"},
    {"b/badplanes.bmp", "planes must be 1"},
    {"b/rletopdown.bmp", "run-length pictures are bottom-up only, as the platform requires"},
};

std::vector<std::string> FilesIn(const std::string& folders) {
  std::vector<std::string> files;
  try {
    for (const std::string& file : bmp_suite::SuiteFiles()) {
      if (folders.find(file.substr(0, 1)) != std::string::npos) files.push_back(file);
    }
  } catch (const std::exception&) {
    // No suite: BmpSuite.IsThere reports it.
  }
  return files;
}

bmp_suite::TReference ReferenceOf(const std::string& file) {
  static const auto map = bmp_suite::ReadReferenceMap();
  const auto found = map.find(file);
  return found == map.end() ? bmp_suite::TReference{} : found->second;
}

int ToleranceOf(const bmp_suite::TReference& reference) {
  return reference.Compare.starts_with("fuzzy") ? kFuzzyTolerance : 0;
}

std::string Describe(const bmp_suite::TResult& r) {
  return std::string(bmp_suite::OutcomeName(r.Outcome)) + " " + r.Failure + " layout " + r.Layout +
         (r.CompareProblem.empty() ? "" : " (" + r.CompareProblem + ")");
}

TEST(BmpSuite, IsThere) {
  const std::vector<std::string> good = FilesIn("g");
  ASSERT_FALSE(good.empty()) << "BMP suite not found in " << bmp_suite::SuiteDir();
  const auto map = bmp_suite::ReadReferenceMap();
  ASSERT_FALSE(map.empty()) << "reference map not read";
  // Every good file the map names is here, so none escapes the test.
  for (const auto& [file, reference] : map) {
    if (file.starts_with("g/")) {
      EXPECT_NE(std::find(good.begin(), good.end(), file), good.end()) << file << " missing";
    }
  }
}

class BmpSuiteGood : public ::testing::TestWithParam<std::string> {};

TEST_P(BmpSuiteGood, LoadsAndMatchesItsReference) {
  const std::string& file = GetParam();
  const bmp_suite::TReference reference = ReferenceOf(file);
  ASSERT_FALSE(reference.Png.empty()) << "no reference for " << file;
  const bmp_suite::TResult r = bmp_suite::Examine(file, reference);
  ASSERT_EQ(r.Outcome, TOutcome::soLoaded) << Describe(r);
  ASSERT_TRUE(r.Compared) << Describe(r);
  EXPECT_EQ(r.PixelsSkipped, 0) << "the reference of a good file is opaque";
  EXPECT_LE(r.MaxDifference, ToleranceOf(reference))
      << r.PixelsDiffering << " pixels differ from " << reference.Png << " (" << reference.Compare
      << ")";
}

INSTANTIATE_TEST_SUITE_P(Files, BmpSuiteGood, ::testing::ValuesIn(FilesIn("g")));

class BmpSuiteOther : public ::testing::TestWithParam<std::string> {};

TEST_P(BmpSuiteOther, LoadsOrFailsWithinTheFamily) {
  const std::string& file = GetParam();
  const bmp_suite::TReference reference = ReferenceOf(file);
  const bmp_suite::TResult r = bmp_suite::Examine(file, reference);
  ASSERT_NE(r.Outcome, TOutcome::soOtherFailure) << Describe(r);

  // Where a browser shows the file, we show the same unless a line above says why not.
  if (reference.Png.empty()) return;
  const auto refused = kRefusedOnPurpose.find(file);
  if (refused != kRefusedOnPurpose.end()) {
    EXPECT_EQ(r.Outcome, TOutcome::soRefused) << "expected refusal: " << refused->second;
    EXPECT_EQ(r.Failure, "EInvalidGraphic: ビットマップイメージが不正です");
    return;
  }
  ASSERT_EQ(r.Outcome, TOutcome::soLoaded) << Describe(r);
  ASSERT_TRUE(r.Compared) << Describe(r);
  const auto differs = kDiffersFromBrowser.find(file);
  if (differs != kDiffersFromBrowser.end()) {
    EXPECT_GT(r.PixelsDiffering, 0) << "expected to differ: " << differs->second;
  } else {
    EXPECT_LE(r.MaxDifference, ToleranceOf(reference))
        << r.PixelsDiffering << " pixels differ from " << reference.Png << " ("
        << reference.Compare << ")";
  }
}

INSTANTIATE_TEST_SUITE_P(Files, BmpSuiteOther, ::testing::ValuesIn(FilesIn("qb")));

}  // namespace
