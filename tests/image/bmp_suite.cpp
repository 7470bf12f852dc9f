#include "bmp_suite.h"

#include <stb/stb_image.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "image/bitmap.h"
#include "image_fixtures.h"
#include "rtl/exception.h"

namespace bmp_suite {

// A function-local value: test registrations read it while statics are still being made.
const std::string& SuiteDir() {
  static const std::string dir = TS_SUITE_DIR;
  return dir;
}

// The map, by file name relative to the suite ("g/pal1.bmp").
const std::map<std::string, TReference>& References() {
  static const std::map<std::string, TReference> map = [] {
    std::map<std::string, TReference> read;
    std::ifstream in(std::filesystem::path(SuiteDir() + "/expected-from-mozilla-reftests.tsv"));
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
    for (const auto& entry : std::filesystem::directory_iterator(SuiteDir() + "/" + folder, error)) {
      if (entry.path().extension() == ".bmp")
        files.push_back(std::string(1, folder) + "/" + entry.path().filename().string());
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

namespace {

struct TStbFree {
  void operator()(unsigned char* pixels) const { stbi_image_free(pixels); }
};

}  // namespace

// Loads `file` into a TBitmap, converts it to 24 bits and compares it with the reference PNG.
TResult Examine(const std::string& file, const TReference& reference) {
  TResult r;
  TBitmap bitmap;
  try {
    bitmap.LoadFromFile(SuiteDir() + "/" + file);
    std::ostringstream layout;
    PrintTo(bitmap.PixelLayout(), &layout);
    r.Layout = layout.str();
    bitmap.SetPixelLayout(TPixelLayout::pl24Bit);
  } catch (const Exception& e) {
    r.Failure = std::string(e.ClassName()) + ": " + e.Message();
    return r;
  }
  if (reference.Png.empty()) return r;
  int width = 0, height = 0, channels = 0;
  const std::string path = SuiteDir() + "/" + reference.Png;
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

}  // namespace bmp_suite
