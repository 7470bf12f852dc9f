// "クリップボードから読みこむ" against pictures that a second program put on the clipboard.
#include <gtest/gtest.h>

#include "app_fixture.h"
#include "clipboard_source_process.h"
#include "dialog_driver.h"

namespace app_test {
namespace {

// The image tests' clipboard program, beside this test's folder.
constexpr wchar_t kSource[] = L"..\\image\\clipboard_source.exe";

class ClipboardOperationTest : public MainWindowTest {
 protected:
  const TBitmap* Upper() { return dynamic_cast<const TBitmap*>(Form->Image1->Picture().Graphic()); }

  // Clicks "クリップボードから読みこむ" until the upper box changes: Wine's own clipboard service
  // may hold the clipboard for a moment after another program changed it, and the operation
  // then ends silently.
  void ClickUntilLoaded() {
    const TBitmap* before = Upper();
    for (int attempt = 0; attempt < 20 && Upper() == before; ++attempt) {
      if (attempt > 0) ::Sleep(50);
      Click(Form->ClipButton);
    }
  }
};

TEST_F(ClipboardOperationTest, ABitmapBecomesTheLoadedPictureAndAnalysesLikeAnyOther) {
  TClipboardSource source(kSource, L"bitmap 9 7");
  ASSERT_TRUE(source.Started());
  ASSERT_TRUE(WaitForClipboardFormat(CF_BITMAP));
  TDialogDriver driver({});
  ClickUntilLoaded();
  ASSERT_NE(Upper(), nullptr);
  EXPECT_EQ(Upper()->Width(), 9);
  EXPECT_EQ(Upper()->Height(), 7);
  EXPECT_EQ(Form->SourceBitmap->PixelLayout(), TPixelLayout::plDevice);

  SelectCondition(1);
  Click(Form->CalcButton);
  const TPicture24 loaded = PixelsOf(*Form->SourceBitmap);
  EXPECT_EQ(PixelsOf(*Form->ResultBitmap).Pixels, Analysed(loaded, 1).Pixels);
  EXPECT_TRUE(driver.Unexpected().empty());
}

TEST_F(ClipboardOperationTest, AMonochromeBitmapAnalysesToBlackAndWhite) {
  TClipboardSource source(kSource, L"mono 10 3");
  ASSERT_TRUE(source.Started());
  ASSERT_TRUE(WaitForClipboardFormat(CF_BITMAP));
  ClickUntilLoaded();
  EXPECT_EQ(Form->SourceBitmap->Description().dsBm.bmBitsPixel, 1);
  SelectCondition(3);  // the mean of green and blue: black and white stay as they are
  Click(Form->CalcButton);
  for (const std::uint32_t pixel : PixelsOf(*Form->ResultBitmap).Pixels) {
    EXPECT_TRUE(pixel == 0 || pixel == 0xFFFFFF) << std::hex << pixel;
  }
}

TEST_F(ClipboardOperationTest, TextOnlyOrAClipboardHeldElsewhereChangesNothingSilently) {
  const TPicture24 picture = Pattern(2, 2);
  const std::string path = TempPath("kept.bmp");
  WriteFile(path, BmpBytes(picture));
  {
    TDialogDriver driver({TDialogDriver::ChooseFile(path)});
    Click(Form->LoadButton);
  }
  const TBitmap* before = Upper();
  ASSERT_NE(before, nullptr);
  for (const wchar_t* mode : {L"text", L"hold"}) {
    TClipboardSource source(kSource, mode);
    ASSERT_TRUE(source.Started());
    TDialogDriver driver({});
    Click(Form->ClipButton);
    EXPECT_TRUE(driver.Unexpected().empty());
    EXPECT_EQ(Upper(), before);
    EXPECT_EQ(PixelsOf(*Form->SourceBitmap).Pixels, picture.Pixels);
  }
}

}  // namespace
}  // namespace app_test
