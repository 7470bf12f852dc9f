#include "ui/file_dialog.h"

#include <windows.h>
#include <commdlg.h>

#include <gtest/gtest.h>

#include "dialog_driver.h"

namespace {

TEST(FileDialog, OptionsBecomeTheDialogFlagsAndDefaultToHideReadOnlyAndSizing) {
  const unsigned long defaults = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING;
  EXPECT_EQ(TOpenDialog(nullptr).Flags(), defaults);
  EXPECT_EQ(TSaveDialog(nullptr).Flags(), defaults);
  TSaveDialog dialog(nullptr);
  dialog.SetOptions({});
  EXPECT_EQ(dialog.Flags(), static_cast<unsigned long>(OFN_EXPLORER));
  dialog.SetOptions({TOpenOption::ofOverwritePrompt, TOpenOption::ofFileMustExist});
  EXPECT_EQ(dialog.Flags(), OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_FILEMUSTEXIST);
}

// The real dialogs, driven as a user would drive them.
TEST(FileDialog, ReturnsTheChosenPathAndReopensWithIt) {
  char folder[MAX_PATH] = {};
  ::GetTempPathA(MAX_PATH, folder);
  const std::string chosen = std::string(folder) + "tintsight-dialog-test.bmp";
  ::DeleteFileA(chosen.c_str());  // the open dialog does not demand that the file exists

  TOpenDialog open(nullptr);
  TSaveDialog save(nullptr);
  for (TOpenDialog* dialog : {&open, static_cast<TOpenDialog*>(&save)}) {
    {
      TDialogDriver driver({TDialogDriver::ChooseFile(chosen)});
      EXPECT_TRUE(dialog->Execute());
      EXPECT_EQ(dialog->FileName(), chosen);
    }
    std::string shown;
    {
      TDialogDriver driver({TDialogDriver::ReadFileNameAndCancel(&shown)});
      EXPECT_FALSE(dialog->Execute()) << "cancelled";
    }
    EXPECT_NE(shown.find("tintsight-dialog-test.bmp"), std::string::npos) << "reopened with " << shown;
    EXPECT_EQ(dialog->FileName(), chosen) << "cancelling keeps the last choice";
  }
}

}  // namespace
