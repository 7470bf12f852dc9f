#include "ui/file_dialog.h"

#include <windows.h>
#include <commdlg.h>

#include <gtest/gtest.h>

#include "dialog_driver.h"

namespace {

TEST(FileDialog, DefaultOptionsHideReadOnlyAndAllowResizingOnly) {
  struct TCase {
    std::vector<TOpenOption> Options;
    unsigned long Flags;
  };
  const TCase cases[] = {
      {{TOpenOption::ofHideReadOnly, TOpenOption::ofEnableSizing},
       OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING},
      {{}, OFN_EXPLORER},
      {{TOpenOption::ofOverwritePrompt, TOpenOption::ofFileMustExist},
       OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_FILEMUSTEXIST},
  };
  TOpenDialog defaults(nullptr);
  EXPECT_EQ(defaults.Flags(), cases[0].Flags);
  EXPECT_EQ(TSaveDialog(nullptr).Flags(), cases[0].Flags);
  for (const TCase& c : cases) {
    TSaveDialog dialog(nullptr);
    dialog.SetOptions(c.Options);
    EXPECT_EQ(dialog.Flags(), c.Flags);
  }
}

// The real dialogs, driven as a user would drive them.
TEST(FileDialog, ReturnsTheChosenPathAndReopensWithIt) {
  char folder[MAX_PATH] = {};
  ::GetTempPathA(MAX_PATH, folder);
  const std::string chosen = std::string(folder) + "tintsight-dialog-test.bmp";

  TOpenDialog open(nullptr);
  TSaveDialog save(nullptr);
  for (TOpenDialog* dialog : {&open, static_cast<TOpenDialog*>(&save)}) {
    {
      TDialogDriver driver({TDialogDriver::Cancel()});
      EXPECT_FALSE(dialog->Execute());
      EXPECT_EQ(driver.Handled().size(), 1u);
      EXPECT_EQ(dialog->FileName(), "") << "a cancelled dialog changes nothing";
    }
    if (dialog == &open) {
      // The open dialog does not demand that the file exists.
      ::DeleteFileA(chosen.c_str());
    }
    {
      TDialogDriver driver({TDialogDriver::ChooseFile(chosen)});
      EXPECT_TRUE(dialog->Execute());
      EXPECT_EQ(dialog->FileName(), chosen);
    }
    std::string shown;
    {
      TDialogDriver driver({TDialogDriver::ReadFileNameAndCancel(&shown)});
      EXPECT_FALSE(dialog->Execute());
    }
    EXPECT_NE(shown.find("tintsight-dialog-test.bmp"), std::string::npos)
        << "reopened with \"" << shown << "\"";
    EXPECT_EQ(dialog->FileName(), chosen) << "cancelling keeps the last choice";
  }
}

}  // namespace
