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

// Colours as 0xRRGGBB; pictures as rows from the top.
struct TPicture24 {
  int Width = 0;
  int Height = 0;
  std::vector<std::uint32_t> Pixels;
};

// A picture in which every channel of every pixel differs.
TPicture24 Pattern(int width, int height);
// The uncompressed 24-bit BMP file bytes of `picture` (bottom-up, rows padded to 4 bytes).
std::vector<std::uint8_t> BmpBytes(const TPicture24& picture);
// The picture that condition `condition` makes of `picture`, computed here independently.
TPicture24 Analysed(const TPicture24& picture, int condition);
// The pixels of `bitmap` (any layout) as 24-bit colours.
TPicture24 PixelsOf(const TBitmap& bitmap);

std::vector<std::uint8_t> ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes);

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Clicks `button` as the mouse would and handles what the click queued.
  void Click(TButton* button);
  // Selects analysis condition `index` by clicking its item.
  void SelectCondition(int index);
  // A path in this test's own temporary folder.
  std::string TempPath(const std::string& name) const { return Folder_ + name; }

  TApplication Application;
  Ttintsight1Form* Form = nullptr;

 private:
  std::string Folder_;
};

}  // namespace app_test
