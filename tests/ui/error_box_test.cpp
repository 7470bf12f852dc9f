#include "ui/error_box.h"

#include <gtest/gtest.h>

#include <new>

#include "dialog_driver.h"
#include "rtl/exception.h"
#include "ui/application.h"

namespace {

TEST(ErrorBoxText, AppendsAFullStopAfterACharacterGreaterThanIt) {
  struct TCase {
    const char* Message;
    const char* Shown;
  };
  const TCase cases[] = {
      {"", ""},
      {"abc", "abc."},
      {"code 5", "code 5."},          // digits are greater than "."
      {"path/", "path/."},            // "/" is the next character after "."
      {"done.", "done."},             // "." itself is not greater
      {"stop!", "stop!"},
      {"a, b,", "a, b,"},
      {"(x)", "(x)"},
      {"minus-", "minus-"},
      {"trailing ", "trailing "},
      {"ファイル x を作成できません", "ファイル x を作成できません."},  // a double-byte last character
      {"ｱ", "ｱ."},                    // a half-width katakana is a single byte in Shift-JIS, still greater
      {"。", "。."},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(ErrorBoxText(c.Message), c.Shown) << "message: \"" << c.Message << "\"";
  }
}

// The application's handling of an exception, as every window message and the start-up guard
// use it: the standard error box for the Exception family and other C++ exceptions, nothing for
// the silent abort.
TEST(ApplicationHandleException, ShowsTheStandardErrorBoxOrNothingForASilentAbort) {
  TApplication application;
  application.SetTitle("Tintsight");
  struct TCase {
    std::function<void()> Raise;
    const char* Text;  // null: no box
  };
  const TCase cases[] = {
      {[] { throw EFCreateError("ファイル C:\\x.bmp を作成できません"); },
       "ファイル C:\\x.bmp を作成できません."},
      {[] { throw Exception("already ends."); }, "already ends."},
      {[] { throw EAbort("never shown"); }, nullptr},
      {[] { throw std::bad_alloc(); }, "メモリが足りません."},
  };
  for (const TCase& c : cases) {
    std::vector<TDialogDriver::TStep> steps;
    if (c.Text != nullptr) steps.push_back(TDialogDriver::PressOk());
    TDialogDriver driver(std::move(steps));
    try {
      c.Raise();
    } catch (...) {
      application.HandleException();
    }
    const auto handled = driver.Handled();
    EXPECT_TRUE(driver.Unexpected().empty()) << "an extra box: " << driver.Unexpected()[0].Text;
    if (c.Text == nullptr) {
      EXPECT_TRUE(handled.empty()) << "a box for a silent abort: " << handled[0].Text;
      continue;
    }
    ASSERT_EQ(handled.size(), 1u) << "no box for " << c.Text;
    EXPECT_EQ(handled[0].Title, "Tintsight");
    EXPECT_EQ(handled[0].Text, c.Text);
  }
}

}  // namespace
