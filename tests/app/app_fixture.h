// The real main window made in the test's own process, as the entry point makes it, and what
// the tests need around it: files in a folder of their own, pictures written as BMP bytes, and
// clicks on the window's buttons.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/tintsight1.h"
#include "ui/application.h"

namespace app_test {

using TPixels = std::vector<std::uint32_t>;  // 0xRRGGBB, rows from the top

struct TPicture24 {
  int Width = 0;
  int Height = 0;
  TPixels Pixels;
};

// A picture in which every channel of every pixel differs.
TPicture24 Pattern(int width, int height);
// The uncompressed 24-bit BMP file of `picture` (bottom-up, rows padded to 4 bytes).
std::vector<std::uint8_t> BmpBytes(const TPicture24& picture);
// The pixels that analysis condition `condition` makes of `pixels`, computed here independently:
// 0-2 take red, green or blue away; 3-5 replace it with the mean of the other two.
TPixels Analysed(TPixels pixels, int condition);
// The pixels of `bitmap` (any layout).
TPixels PixelsOf(const TBitmap& bitmap);

std::vector<std::uint8_t> ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes);

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Clicks `button` as the mouse would and handles what the click queued.
  void Click(TButton* button);
  void SelectCondition(int index);
  // A path in this test's own temporary folder.
  std::string TempPath(const std::string& name) const { return Folder_ + name; }
  // The picture an image box shows; null when it shows none.
  static const TBitmap* Shown(TImage* box) {
    return dynamic_cast<const TBitmap*>(box->Picture().Graphic());
  }

  TApplication Application;
  Ttintsight1Form* Form = nullptr;

 private:
  std::string Folder_;
};

}  // namespace app_test
