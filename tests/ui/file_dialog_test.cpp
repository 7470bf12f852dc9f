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

// The real dialogs open with the last chosen name, and cancelling keeps it. (Choosing a file is
// what every operation of the main window does; its tests drive that.)
TEST(FileDialog, ReopensWithTheChosenNameAndCancellingKeepsIt) {
  const std::string chosen = "C:\\tintsight-dialog-test.bmp";
  TOpenDialog open(nullptr);
  TSaveDialog save(nullptr);
  for (TOpenDialog* dialog : {&open, static_cast<TOpenDialog*>(&save)}) {
    dialog->SetFileName(chosen);
    std::string shown;
    {
      TDialogDriver driver({TDialogDriver::ReadFileNameAndCancel(&shown)});
      EXPECT_FALSE(dialog->Execute()) << "cancelled";
    }
    EXPECT_NE(shown.find("tintsight-dialog-test.bmp"), std::string::npos) << "opened with " << shown;
    EXPECT_EQ(dialog->FileName(), chosen);
  }
}

}  // namespace
