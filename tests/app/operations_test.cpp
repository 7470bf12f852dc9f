// The five operations, each started by a real click, with the dialogs driven as a user would.
#include <gtest/gtest.h>

#include <filesystem>

#include "app_fixture.h"
#include "dialog_driver.h"

namespace app_test {
namespace {

using TSteps = std::vector<TDialogDriver::TStep>;

class OperationsTest : public MainWindowTest {
 protected:
  // Clicks `button` with the dialogs driven by `steps`; returns what the dialogs said.
  std::vector<TDialogSeen> ClickThrough(TButton* button, TSteps steps) {
    const std::size_t expected = steps.size();
    TDialogDriver driver(std::move(steps));
    Click(button);
    EXPECT_TRUE(driver.Unexpected().empty()) << "an unexpected dialog: " << driver.Unexpected()[0].Text;
    EXPECT_EQ(driver.Handled().size(), expected) << "dialogs shown";
    return driver.Handled();
  }
  void LoadFile(const std::string& path) { ClickThrough(Form->LoadButton, {TDialogDriver::ChooseFile(path)}); }
  void SaveFile(const std::string& path) { ClickThrough(Form->SaveButton, {TDialogDriver::ChooseFile(path)}); }
};

TEST_F(OperationsTest, LoadShowsTheFileAndACancelledUnreadableOrMissingFileChangesNothing) {
  const TPicture24 picture = Pattern(6, 4);
  WriteFile(TempPath("source.bmp"), BmpBytes(picture));
  LoadFile(TempPath("source.bmp"));
  const TBitmap* shown = Shown(Form->Image1);
  ASSERT_NE(shown, nullptr);
  EXPECT_NE(shown, Form->SourceBitmap.get()) << "the box holds a copy of its own";
  EXPECT_EQ(PixelsOf(*Form->SourceBitmap), picture.Pixels);
  EXPECT_EQ(PixelsOf(*shown), picture.Pixels);
  EXPECT_EQ(Form->OpenDialog->FileName(), TempPath("source.bmp"));

  WriteFile(TempPath("garbage.bmp"), {'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c', 't', 'u', 'r', 'e'});
  const struct {
    const char* What;
    TDialogDriver::TStep Step;
  } cases[] = {{"cancelled", TDialogDriver::PressButton(IDCANCEL)},
               {"no reader takes it", TDialogDriver::ChooseFile(TempPath("garbage.bmp"))},
               {"missing", TDialogDriver::ChooseFile(TempPath("missing.png"))}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    ClickThrough(Form->LoadButton, {c.Step});
    EXPECT_EQ(Shown(Form->Image1), shown);
    EXPECT_EQ(PixelsOf(*Form->SourceBitmap), picture.Pixels);
  }
}

TEST_F(OperationsTest, AnalysisStartsFromTheLoadedPictureAndSaveWritesItOrShowsWhyNot) {
  // Before anything is loaded: an empty 24-bit picture, silently. Saving it makes an empty file
  // under a new name and leaves an existing file as it was, both without a question.
  ClickThrough(Form->CalcButton, {});
  EXPECT_EQ(Form->ResultBitmap->PixelLayout(), TPixelLayout::pl24Bit);
  EXPECT_EQ(Form->ResultBitmap->Width() + Form->ResultBitmap->Height(), 0);
  ASSERT_NE(Shown(Form->Image2), nullptr) << "the lower box is given the empty picture";
  EXPECT_TRUE(Shown(Form->Image2)->Empty());
  WriteFile(TempPath("empty.bmp"), {1, 2, 3});
  SaveFile(TempPath("empty.bmp"));
  EXPECT_EQ(ReadFile(TempPath("empty.bmp")), (std::vector<std::uint8_t>{1, 2, 3}));
  SaveFile(TempPath("new.bmp"));
  EXPECT_TRUE(std::filesystem::exists(TempPath("new.bmp")) && ReadFile(TempPath("new.bmp")).empty());

  const TPicture24 picture = Pattern(5, 3);
  WriteFile(TempPath("source.bmp"), BmpBytes(picture));
  LoadFile(TempPath("source.bmp"));
  for (const int condition : {3, 0, 5, 1, 4, 2}) {
    SelectCondition(condition);
    Click(Form->CalcButton);
    ASSERT_NE(Shown(Form->Image2), nullptr);
    EXPECT_EQ(Form->ResultBitmap->PixelLayout(), TPixelLayout::pl24Bit);
    EXPECT_EQ(PixelsOf(*Form->ResultBitmap), Analysed(picture.Pixels, condition)) << condition;
    EXPECT_EQ(PixelsOf(*Shown(Form->Image2)), Analysed(picture.Pixels, condition)) << condition;
  }
  EXPECT_EQ(PixelsOf(*Form->SourceBitmap), picture.Pixels) << "the loaded picture never changes";
  EXPECT_EQ(PixelsOf(*Shown(Form->Image1)), picture.Pixels);
  SelectCondition(4);
  EXPECT_EQ(PixelsOf(*Shown(Form->Image2)), Analysed(picture.Pixels, 2)) << "selecting does nothing";

  // Under exactly the chosen name: 54 header bytes and three rows of 16.
  const std::string path = TempPath("result");
  WriteFile(path, {1, 2, 3});
  SaveFile(path);
  const std::vector<std::uint8_t> saved = ReadFile(path);
  ASSERT_EQ(saved.size(), 54u + 3 * 16);
  EXPECT_EQ(saved[10], 54);
  TBitmap reread;
  reread.LoadFromFile(path);
  EXPECT_EQ(PixelsOf(reread), Analysed(picture.Pixels, 2));

  // A folder that does not exist, and a file another program holds open without sharing: the
  // failure is shown and what the file held survives.
  const std::string held = TempPath("held.bmp");
  WriteFile(held, {'o', 'l', 'd'});
  const HANDLE lock = ::CreateFileA(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  for (const std::string& target : {TempPath("no-such-folder\\out.bmp"), held}) {
    const auto seen = ClickThrough(Form->SaveButton, {TDialogDriver::ChooseFile(target),
                                                      TDialogDriver::PressButton(IDOK)});
    ASSERT_EQ(seen.size(), 2u) << "no error box for " << target;
    EXPECT_EQ(seen[1].Title, "Tintsight");
    EXPECT_EQ(seen[1].Text, "ファイル " + target + " を作成できません.");
  }
  ::CloseHandle(lock);
  EXPECT_EQ(ReadFile(held), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
  SaveFile(held);
  EXPECT_EQ(ReadFile(held), saved) << "the window goes on: the next save succeeds";

  // "終了" releases the pictures; clicks queued behind it reach nothing, and no dialog opens.
  const TBitmap* lower = Shown(Form->Image2);
  TDialogDriver driver({});
  for (TButton* button : {Form->QuitButton, Form->CalcButton, Form->SaveButton, Form->LoadButton,
                          Form->ClipButton}) {
    ::PostMessageW(button->Handle(), BM_CLICK, 0, 0);
  }
  Application.ProcessMessages();
  EXPECT_TRUE(Application.Terminated());
  EXPECT_EQ(Form->SourceBitmap, nullptr);
  EXPECT_EQ(Form->ResultBitmap, nullptr);
  EXPECT_EQ(Shown(Form->Image2), lower) << "the boxes keep their own copies";
  ASSERT_NE(Shown(Form->Image1), nullptr);
  EXPECT_EQ(PixelsOf(*Shown(Form->Image1)), picture.Pixels);
  EXPECT_TRUE(driver.Unexpected().empty()) << "a dialog opened after Quit";
}

}  // namespace
}  // namespace app_test
