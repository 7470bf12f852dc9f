// "クリップボードから読みこむ" against pictures that a second program put on the clipboard.
#include <gtest/gtest.h>

#include "app_fixture.h"
#include "clipboard_source_process.h"
#include "dialog_driver.h"

namespace app_test {
namespace {

class ClipboardOperationTest : public MainWindowTest {};

TEST_F(ClipboardOperationTest, BitmapsLoadAndAnalyseAndAnythingElseChangesNothingSilently) {
  constexpr wchar_t kSource[] = L"..\\image\\clipboard_source.exe";  // the image tests' program
  TDialogDriver driver({});
  const struct {
    const wchar_t* Put;
    int Width, Height, BitsPerPixel, Condition;
  } bitmaps[] = {{L"bitmap 9 7", 9, 7, 32, 1}, {L"mono 10 3", 10, 3, 1, 3}};
  for (const auto& c : bitmaps) {
    SCOPED_TRACE(testing::Message() << c.Width << "x" << c.Height << ", " << c.BitsPerPixel << " bits");
    TClipboardSource source(kSource, c.Put);
    ASSERT_TRUE(source.Started());
    ASSERT_TRUE(WaitForClipboardFormat(CF_BITMAP));
    // Wine's clipboard service may hold the clipboard for a moment after another program changed
    // it, and the operation then ends silently: click until the upper box changes.
    const TBitmap* before = Shown(Form->Image1);
    for (int attempt = 0; attempt < 20 && Shown(Form->Image1) == before; ++attempt) {
      if (attempt > 0) ::Sleep(50);
      Click(Form->ClipButton);
    }
    ASSERT_NE(Shown(Form->Image1), before) << "never loaded";
    EXPECT_EQ(Shown(Form->Image1)->Width(), c.Width);
    EXPECT_EQ(Shown(Form->Image1)->Height(), c.Height);
    EXPECT_EQ(Form->SourceBitmap->PixelLayout(), TPixelLayout::plDevice);
    EXPECT_EQ(Form->SourceBitmap->Description().dsBm.bmBitsPixel, c.BitsPerPixel);
    SelectCondition(c.Condition);
    Click(Form->CalcButton);
    EXPECT_EQ(PixelsOf(*Form->ResultBitmap), Analysed(PixelsOf(*Form->SourceBitmap), c.Condition));
  }

  const TBitmap* before = Shown(Form->Image1);
  const TPixels pixels = PixelsOf(*Form->SourceBitmap);
  for (const wchar_t* put : {L"text", L"hold"}) {  // text only; a clipboard held open elsewhere
    TClipboardSource source(kSource, put);
    ASSERT_TRUE(source.Started());
    Click(Form->ClipButton);
    EXPECT_EQ(Shown(Form->Image1), before);
    EXPECT_EQ(PixelsOf(*Form->SourceBitmap), pixels);
  }
  EXPECT_TRUE(driver.Unexpected().empty()) << "a dialog opened: " << driver.Unexpected()[0].Text;
}

}  // namespace
}  // namespace app_test
