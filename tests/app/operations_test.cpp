// The five operations, each started by a real click, with the dialogs driven as a user would.
#include <gtest/gtest.h>

#include "app_fixture.h"
#include "dialog_driver.h"

namespace app_test {
namespace {

class OperationsTest : public MainWindowTest {
 protected:
  // Loads `picture` through "ファイルから読みこむ" from a BMP file written for it.
  void LoadPicture(const TPicture24& picture, const std::string& name = "source.bmp") {
    const std::string path = TempPath(name);
    WriteFile(path, BmpBytes(picture));
    TDialogDriver driver({TDialogDriver::ChooseFile(path)});
    Click(Form->LoadButton);
    ASSERT_TRUE(driver.Unexpected().empty());
  }

  const TBitmap* Shown(TImage* box) { return dynamic_cast<const TBitmap*>(box->Picture().Graphic()); }
};

TEST_F(OperationsTest, LoadShowsTheFileInTheUpperBoxAndCancellingChangesNothing) {
  const TPicture24 picture = Pattern(6, 4);
  LoadPicture(picture);
  ASSERT_NE(Shown(Form->Image1), nullptr);
  EXPECT_EQ(PixelsOf(*Form->SourceBitmap).Pixels, picture.Pixels);
  EXPECT_EQ(PixelsOf(*Shown(Form->Image1)).Pixels, picture.Pixels);
  EXPECT_NE(Shown(Form->Image1), Form->SourceBitmap.get()) << "the box holds a copy of its own";
  EXPECT_EQ(Form->OpenDialog->FileName(), TempPath("source.bmp"));

  const TBitmap* before = Shown(Form->Image1);
  TDialogDriver driver({TDialogDriver::Cancel()});
  Click(Form->LoadButton);
  EXPECT_EQ(driver.Handled().size(), 1u);
  EXPECT_EQ(Shown(Form->Image1), before);
  EXPECT_EQ(Form->SourceBitmap->Width(), 6);
}

TEST_F(OperationsTest, AFileNoReaderTakesOrThatIsMissingChangesNothingAndSaysNothing) {
  const TPicture24 picture = Pattern(3, 3);
  LoadPicture(picture);
  WriteFile(TempPath("garbage.bmp"), {'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c', 't', 'u', 'r', 'e', '!', '!'});
  for (const char* name : {"garbage.bmp", "missing.png"}) {
    TDialogDriver driver({TDialogDriver::ChooseFile(TempPath(name))});
    Click(Form->LoadButton);
    EXPECT_EQ(driver.Handled().size(), 1u) << name;
    EXPECT_TRUE(driver.Unexpected().empty()) << name << ": " << driver.Unexpected()[0].Text;
    ASSERT_NE(Shown(Form->Image1), nullptr);
    EXPECT_EQ(PixelsOf(*Shown(Form->Image1)).Pixels, picture.Pixels) << name;
  }
}

TEST_F(OperationsTest, AnalysingStartsFromTheLoadedPictureEachTime) {
  const TPicture24 picture = Pattern(5, 3);
  LoadPicture(picture);
  for (const int condition : {3, 0, 5, 1, 4, 2}) {
    SelectCondition(condition);
    Click(Form->CalcButton);
    ASSERT_NE(Shown(Form->Image2), nullptr);
    EXPECT_EQ(Form->ResultBitmap->PixelLayout(), TPixelLayout::pl24Bit);
    EXPECT_EQ(PixelsOf(*Form->ResultBitmap).Pixels, Analysed(picture, condition).Pixels)
        << "condition " << condition;
    EXPECT_EQ(PixelsOf(*Shown(Form->Image2)).Pixels, Analysed(picture, condition).Pixels)
        << "condition " << condition;
  }
  // The loaded picture and the upper box never see the rewrite.
  EXPECT_EQ(PixelsOf(*Form->SourceBitmap).Pixels, picture.Pixels);
  EXPECT_EQ(PixelsOf(*Shown(Form->Image1)).Pixels, picture.Pixels);
}

TEST_F(OperationsTest, ChangingTheConditionAloneDoesNothing) {
  LoadPicture(Pattern(2, 2));
  Click(Form->CalcButton);
  const TPicture24 first = PixelsOf(*Shown(Form->Image2));
  SelectCondition(4);
  EXPECT_EQ(Form->CalcConditionRadioGroup->ItemIndex(), 4);
  EXPECT_EQ(PixelsOf(*Shown(Form->Image2)).Pixels, first.Pixels);
}

TEST_F(OperationsTest, AnalysingBeforeLoadingGivesAnEmpty24BitPictureSilently) {
  TDialogDriver driver({});
  Click(Form->CalcButton);
  EXPECT_TRUE(driver.Unexpected().empty());
  EXPECT_EQ(Form->ResultBitmap->PixelLayout(), TPixelLayout::pl24Bit);
  EXPECT_EQ(Form->ResultBitmap->Width(), 0);
  EXPECT_EQ(Form->ResultBitmap->Height(), 0);
  ASSERT_NE(Shown(Form->Image2), nullptr) << "the lower box is given the empty picture";
  EXPECT_TRUE(Shown(Form->Image2)->Empty());
}

TEST_F(OperationsTest, SavingWritesTheAnalysedPictureUnderExactlyTheChosenName) {
  struct TCase {
    const char* What;
    bool Load;
    bool Analyse;
    const char* Name;
  };
  const TCase cases[] = {
      {"nothing analysed", false, false, "before"},
      {"analysed with nothing loaded", false, true, "empty.bmp"},
      {"an analysed picture, no extension added", true, true, "result"},
  };
  const TPicture24 picture = Pattern(3, 2);
  for (const TCase& c : cases) {
    if (c.Load) LoadPicture(picture);
    if (c.Analyse) {
      SelectCondition(3);
      Click(Form->CalcButton);
    }
    const std::string path = TempPath(c.Name);
    WriteFile(path, {1, 2, 3});  // an existing file is replaced without a question
    TDialogDriver driver({TDialogDriver::ChooseFile(path)});
    Click(Form->SaveButton);
    EXPECT_EQ(driver.Handled().size(), 1u) << c.What;
    EXPECT_TRUE(driver.Unexpected().empty()) << c.What << ": " << driver.Unexpected()[0].Text;
    const std::vector<std::uint8_t> saved = ReadFile(path);
    if (!c.Load) {
      EXPECT_TRUE(saved.empty()) << c.What << ": an empty picture writes no bytes";
      continue;
    }
    // 54 header bytes and two rows of 12 bytes; the file reads back as the analysed picture.
    ASSERT_EQ(saved.size(), 78u) << c.What;
    EXPECT_EQ(saved[10], 54);
    TBitmap reread;
    reread.LoadFromFile(path);
    EXPECT_EQ(PixelsOf(reread).Pixels, Analysed(picture, 3).Pixels) << c.What;
  }
}

TEST_F(OperationsTest, AFailedSaveIsShownAndKeepsTheOldFile) {
  LoadPicture(Pattern(4, 4));
  Click(Form->CalcButton);

  // A folder that does not exist: nothing can be created there.
  const std::string nowhere = TempPath("no-such-folder\\out.bmp");
  {
    TDialogDriver driver({TDialogDriver::ChooseFile(nowhere), TDialogDriver::PressOk()});
    Click(Form->SaveButton);
    const auto handled = driver.Handled();
    ASSERT_EQ(handled.size(), 2u) << "no error box";
    EXPECT_EQ(handled[1].Title, "Tintsight");
    EXPECT_EQ(handled[1].Text, "ファイル " + nowhere + " を作成できません.");
  }
  // A file that another program holds open without sharing: it cannot be replaced, and what it
  // held survives.
  const std::string held = TempPath("held.bmp");
  const std::vector<std::uint8_t> old = {'o', 'l', 'd'};
  WriteFile(held, old);
  const HANDLE lock = ::CreateFileA(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  {
    TDialogDriver driver({TDialogDriver::ChooseFile(held), TDialogDriver::PressOk()});
    Click(Form->SaveButton);
    const auto handled = driver.Handled();
    ASSERT_EQ(handled.size(), 2u) << "no error box";
    EXPECT_EQ(handled[1].Text, "ファイル " + held + " を作成できません.");
  }
  ::CloseHandle(lock);
  EXPECT_EQ(ReadFile(held), old);
  // The window goes on: the next save succeeds.
  TDialogDriver driver({TDialogDriver::ChooseFile(held)});
  Click(Form->SaveButton);
  EXPECT_TRUE(driver.Unexpected().empty());
  EXPECT_EQ(ReadFile(held).size(), 54u + 4 * 12);
}

TEST_F(OperationsTest, QuitReleasesThePicturesAndAClickQueuedBehindItReachesNothing) {
  LoadPicture(Pattern(2, 2));
  const TBitmap* lower = Shown(Form->Image2);
  TDialogDriver driver({});
  ::PostMessageW(Form->QuitButton->Handle(), BM_CLICK, 0, 0);
  ::PostMessageW(Form->CalcButton->Handle(), BM_CLICK, 0, 0);
  ::PostMessageW(Form->SaveButton->Handle(), BM_CLICK, 0, 0);
  ::PostMessageW(Form->LoadButton->Handle(), BM_CLICK, 0, 0);
  ::PostMessageW(Form->ClipButton->Handle(), BM_CLICK, 0, 0);
  Application.ProcessMessages();
  EXPECT_TRUE(Application.Terminated());
  EXPECT_EQ(Form->SourceBitmap, nullptr);
  EXPECT_EQ(Form->ResultBitmap, nullptr);
  EXPECT_EQ(Shown(Form->Image2), lower);
  EXPECT_NE(Shown(Form->Image1), nullptr) << "the boxes keep their own copies";
  EXPECT_TRUE(driver.Unexpected().empty()) << "a dialog opened after Quit";
}

}  // namespace
}  // namespace app_test
