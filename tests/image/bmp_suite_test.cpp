// The BMP suite: good files must load and, converted to 24 bits, match their reference
// pictures; questionable and bad files must load or fail with an exception of the class
// library's family, never anything else, and under the sanitizer builds none may read or write
// outside a buffer.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "bmp_suite.h"
#include "image/colour/analysis.h"
#include "image_fixtures.h"

namespace {

using namespace bmp_suite;
// Where our required reading differs from a browser's, one line per file.
const std::map<std::string, std::string> kDiffersFromBrowser = {
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

TEST(BmpSuite, IsThere) {
  const std::vector<std::string> good = FilesIn("g");
  // A clone outside the workspace has no shared corpora; the suite's tests then have no files.
  if (good.empty()) GTEST_SKIP() << "BMP suite not found: no folder " << SuiteDir() << "/g";
  // Every good file the map names is here, so none escapes the test.
  for (const auto& [file, reference] : References()) {
    if (!file.starts_with("g/")) continue;
    EXPECT_NE(std::find(good.begin(), good.end(), file), good.end()) << file << " missing";
  }
}

class BmpSuiteGood : public ::testing::TestWithParam<std::string> {};

TEST_P(BmpSuiteGood, LoadsAndMatchesItsReference) {
  const TReference reference = ReferenceOf(GetParam());
  ASSERT_FALSE(reference.Png.empty()) << "no reference for " << GetParam();
  const TResult r = Examine(GetParam(), reference);
  ASSERT_GE(r.MaxDifference, 0) << r.Failure;
  EXPECT_EQ(r.Transparent, 0) << "the reference of a good file is opaque";
  EXPECT_LE(r.MaxDifference, reference.Tolerance())
      << r.Differing << " pixels differ from " << reference.Png << " (" << reference.Compare << ")";
}

INSTANTIATE_TEST_SUITE_P(Files, BmpSuiteGood, ::testing::ValuesIn(FilesIn("g")));

class BmpSuiteOther : public ::testing::TestWithParam<std::string> {};

TEST_P(BmpSuiteOther, LoadsOrFailsWithinTheFamilyAndShowsWhatABrowserShows) {
  const std::string& file = GetParam();
  const TReference reference = ReferenceOf(file);
  const TResult r = Examine(file, reference);
  // Where a browser shows the file, we show the same unless a line above says why not.
  if (reference.Png.empty()) return;
  if (const auto refused = kRefusedOnPurpose.find(file); refused != kRefusedOnPurpose.end()) {
    EXPECT_EQ(r.Failure, "EInvalidGraphic: ビットマップイメージが不正です")
        << "expected refusal: " << refused->second;
    return;
  }
  ASSERT_GE(r.MaxDifference, 0) << r.Failure;
  if (const auto differs = kDiffersFromBrowser.find(file); differs != kDiffersFromBrowser.end()) {
    EXPECT_GT(r.Differing, 0) << "expected to differ: " << differs->second;
  } else {
    EXPECT_LE(r.MaxDifference, reference.Tolerance())
        << r.Differing << " pixels differ from " << reference.Png << " (" << reference.Compare
        << ")";
  }
}

INSTANTIATE_TEST_SUITE_P(Files, BmpSuiteOther, ::testing::ValuesIn(FilesIn("qb")));

// Every file that loads: the row road writes what the window stores after "解析する", under
// every condition; a file the reader refuses, the row road does not take either.
class BmpSuiteRoads : public ::testing::TestWithParam<std::string> {};

TEST_P(BmpSuiteRoads, BothRoadsOfTheAnalysisWriteTheSameBytes) {
  std::ifstream in(std::filesystem::path(SuiteDir() + "/" + GetParam()), std::ios::binary);
  const image_fixtures::TBytes file{std::istreambuf_iterator<char>(in), {}};
  for (int condition = 0; condition < kAnalysisConditionCount; ++condition) {
    const auto whole = image_fixtures::AnalysedWhole(file, condition);
    const auto rows = image_fixtures::AnalysedByRows(file, condition);
    if (!whole || !rows) {
      EXPECT_TRUE(whole || !rows) << "the row road takes a file the reader refuses";
      continue;  // refused, or run-length
    }
    EXPECT_TRUE(*rows == *whole) << "condition " << condition;
  }
}

INSTANTIATE_TEST_SUITE_P(Files, BmpSuiteRoads, ::testing::ValuesIn(FilesIn("gqb")));
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(BmpSuiteGood);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(BmpSuiteOther);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(BmpSuiteRoads);

}  // namespace
