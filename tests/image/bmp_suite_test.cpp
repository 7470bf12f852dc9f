// The BMP suite of the shared corpora (g/ good, q/ questionable, b/ bad files, with reference
// PNGs and a map naming each file's reference). Good files must load and, converted to 24 bits,
// match their reference pictures; questionable and bad files must load or fail with an exception
// of the class library's family, never anything else, and under the sanitizer builds none may
// read or write outside a buffer.
#include <stb/stb_image.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>

#include "image/bitmap.h"
#include "rtl/exception.h"

namespace {

const std::string kSuite = TS_SUITE_DIR;

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

// One line of the reference map: how to compare ("exact", "fuzzy(...)", ...) and the reference
// picture relative to the suite (empty when there is none).
struct TReference {
  std::string Compare, Png;
  int Tolerance() const { return Compare.starts_with("fuzzy") ? kFuzzyTolerance : 0; }
};

// The map, by file name relative to the suite ("g/pal1.bmp").
const std::map<std::string, TReference>& References() {
  static const std::map<std::string, TReference> map = [] {
    std::map<std::string, TReference> read;
    std::ifstream in(std::filesystem::path(kSuite + "/expected-from-mozilla-reftests.tsv"));
    std::string line, name, expected;
    std::getline(in, line);  // the column names
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      std::istringstream fields(line);
      TReference reference;
      std::getline(fields, name, '\t');
      std::getline(fields, expected, '\t');
      std::getline(fields, reference.Compare, '\t');
      std::getline(fields, reference.Png, '\t');
      if (reference.Png == "-") reference.Png.clear();
      read[name] = reference;
    }
    return read;
  }();
  return map;
}

TReference ReferenceOf(const std::string& file) {
  const auto found = References().find(file);
  return found == References().end() ? TReference{} : found->second;
}

// The BMP files of the given folders ("g", "qb"), relative to the suite, sorted.
std::vector<std::string> FilesIn(const std::string& folders) {
  std::vector<std::string> files;
  std::error_code error;
  for (const char folder : folders) {
    for (const auto& entry : std::filesystem::directory_iterator(kSuite + "/" + folder, error)) {
      if (entry.path().extension() == ".bmp")
        files.push_back(std::string(1, folder) + "/" + entry.path().filename().string());
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

// What became of one file. Anything but an exception of the family escapes to the test.
struct TResult {
  std::string Failure;     // "EClass: message", or why no comparison could be made
  int MaxDifference = -1;  // of one channel of one opaque pixel; -1 when not compared
  std::int64_t Differing = 0, Transparent = 0;
};

struct TStbFree {
  void operator()(unsigned char* pixels) const { stbi_image_free(pixels); }
};

// Loads `file` into a TBitmap, converts it to 24 bits and compares it with the reference PNG.
TResult Examine(const std::string& file, const TReference& reference) {
  TResult r;
  TBitmap bitmap;
  try {
    bitmap.LoadFromFile(kSuite + "/" + file);
    bitmap.SetPixelLayout(TPixelLayout::pl24Bit);
  } catch (const Exception& e) {
    r.Failure = std::string(e.ClassName()) + ": " + e.Message();
    return r;
  }
  if (reference.Png.empty()) return r;
  int width = 0, height = 0, channels = 0;
  const std::string path = kSuite + "/" + reference.Png;
  const std::unique_ptr<unsigned char, TStbFree> png(
      stbi_load(path.c_str(), &width, &height, &channels, 4));
  if (!png || width != bitmap.Width() || height != bitmap.Height()) {
    r.Failure = "no reference of the same size: " + path;
    return r;
  }
  r.MaxDifference = 0;
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* row = bitmap.RowData(y);  // blue, green, red
    for (int x = 0; x < width; ++x) {
      const unsigned char* e = png.get() + (static_cast<std::size_t>(y) * width + x) * 4;
      const std::uint8_t* p = row + 3 * x;
      if (e[3] != 255) {
        ++r.Transparent;  // its colour is undefined
        continue;
      }
      const int difference =
          std::max({std::abs(p[2] - e[0]), std::abs(p[1] - e[1]), std::abs(p[0] - e[2])});
      r.Differing += difference != 0;
      r.MaxDifference = std::max(r.MaxDifference, difference);
    }
  }
  return r;
}

TEST(BmpSuite, IsThere) {
  const std::vector<std::string> good = FilesIn("g");
  ASSERT_FALSE(good.empty()) << "BMP suite not found in " << kSuite;
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

}  // namespace
