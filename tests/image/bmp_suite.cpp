#include "bmp_suite.h"

#include <stb/stb_image.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "image/bitmap.h"
#include "rtl/exception.h"

namespace bmp_suite {

namespace {

const char* LayoutName(TPixelLayout layout) {
  switch (layout) {
    case TPixelLayout::plDevice: return "plDevice";
    case TPixelLayout::pl1Bit: return "pl1Bit";
    case TPixelLayout::pl4Bit: return "pl4Bit";
    case TPixelLayout::pl8Bit: return "pl8Bit";
    case TPixelLayout::pl15Bit: return "pl15Bit";
    case TPixelLayout::pl16Bit: return "pl16Bit";
    case TPixelLayout::pl24Bit: return "pl24Bit";
    case TPixelLayout::pl32Bit: return "pl32Bit";
    case TPixelLayout::plCustom: return "plCustom";
  }
  return "?";
}

struct TStbFree {
  void operator()(unsigned char* pixels) const { stbi_image_free(pixels); }
};

// Compares the 24-bit picture of `bitmap` with the PNG at `path`, pixel by pixel from the top.
void Compare(TBitmap& bitmap, const std::string& path, TResult& result) {
  int width = 0;
  int height = 0;
  int channels = 0;
  std::unique_ptr<unsigned char, TStbFree> png(stbi_load(path.c_str(), &width, &height, &channels, 4));
  if (!png) {
    result.CompareProblem = "reference unreadable";
    return;
  }
  if (width != bitmap.Width() || height != bitmap.Height()) {
    result.CompareProblem = "reference is " + std::to_string(width) + "x" + std::to_string(height);
    return;
  }
  result.Compared = true;
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* row = bitmap.RowData(y);
    const unsigned char* expected = png.get() + static_cast<std::size_t>(y) * width * 4;
    for (int x = 0; x < width; ++x) {
      const unsigned char* e = expected + 4 * x;
      if (e[3] != 255) {
        ++result.PixelsSkipped;
        continue;
      }
      const std::uint8_t* p = row + 3 * x;  // blue, green, red
      const int difference = std::max({std::abs(p[2] - e[0]), std::abs(p[1] - e[1]),
                                       std::abs(p[0] - e[2])});
      if (difference != 0) ++result.PixelsDiffering;
      result.MaxDifference = std::max(result.MaxDifference, difference);
    }
  }
}

}  // namespace

std::string SuiteDir() { return std::string(TS_SUITE_DIR); }

std::map<std::string, TReference> ReadReferenceMap() {
  std::map<std::string, TReference> map;
  std::ifstream in(std::filesystem::path(SuiteDir() + "/expected-from-mozilla-reftests.tsv"));
  std::string line;
  std::getline(in, line);  // the column names
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::istringstream fields(line);
    std::string file;
    TReference reference;
    std::getline(fields, file, '\t');
    std::getline(fields, reference.Expected, '\t');
    std::getline(fields, reference.Compare, '\t');
    std::getline(fields, reference.Png, '\t');
    if (reference.Png == "-") reference.Png.clear();
    if (!file.empty()) map[file] = reference;
  }
  return map;
}

std::vector<std::string> SuiteFiles() {
  std::vector<std::string> files;
  for (const char* folder : {"g", "q", "b"}) {
    for (const auto& entry : std::filesystem::directory_iterator(SuiteDir() + "/" + folder)) {
      if (entry.path().extension() == ".bmp")
        files.push_back(std::string(folder) + "/" + entry.path().filename().string());
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

TResult Examine(const std::string& file, const TReference& reference) {
  TResult result;
  result.File = file;
  try {
    TBitmap bitmap;
    bitmap.LoadFromFile(SuiteDir() + "/" + file);
    result.Layout = LayoutName(bitmap.PixelLayout());
    bitmap.SetPixelLayout(TPixelLayout::pl24Bit);
    result.Width = bitmap.Width();
    result.Height = bitmap.Height();
    result.Outcome = TOutcome::soLoaded;
    if (!reference.Png.empty()) Compare(bitmap, SuiteDir() + "/" + reference.Png, result);
  } catch (const Exception& e) {
    result.Outcome = TOutcome::soRefused;
    result.Failure = std::string(e.ClassName()) + ": " + e.Message();
  } catch (const std::exception& e) {
    result.Outcome = TOutcome::soOtherFailure;
    result.Failure = std::string("std::exception: ") + e.what();
  }
  return result;
}

const char* OutcomeName(TOutcome outcome) {
  switch (outcome) {
    case TOutcome::soLoaded: return "loaded";
    case TOutcome::soRefused: return "refused";
    case TOutcome::soOtherFailure: return "OTHER FAILURE";
  }
  return "?";
}

}  // namespace bmp_suite
