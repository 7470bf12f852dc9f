#include "ui/error_box.h"

#include <gtest/gtest.h>

#include <functional>
#include <new>

#include "dialog_driver.h"
#include "rtl/exception.h"
#include "ui/application.h"

namespace {

TEST(ErrorBoxText, AppendsAFullStopAfterACharacterGreaterThanIt) {
  const struct {
    const char* Message;
    const char* Shown;
  } cases[] = {
      {"", ""},
      {"abc", "abc."},
      {"path/", "path/."},    // "/" is the next character after "."
      {"done.", "done."},     // "." itself is not greater
      {"minus-", "minus-"},   // "-" is the one before it
      {"trailing ", "trailing "},
      {"ファイル x を作成できません", "ファイル x を作成できません."},
      {"ｱ", "ｱ."},  // half-width katakana: one byte in Shift-JIS, still greater
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ErrorBoxText(c.Message), c.Shown) << "message: \"" << c.Message << "\"";
  }
}

// The handling every window message and the start-up guard use: the standard error box for the
// Exception family and other C++ exceptions, nothing for the silent abort.
TEST(ApplicationHandleException, ShowsTheStandardErrorBoxOrNothingForASilentAbort) {
  TApplication application;
  application.SetTitle("Tintsight");
  const struct {
    std::function<void()> Raise;
    const char* Text;  // null: no box
  } cases[] = {
      {[] { throw EFCreateError("ファイル C:\\x.bmp を作成できません"); },
       "ファイル C:\\x.bmp を作成できません."},
      {[] { throw EAbort("never shown"); }, nullptr},
      {[] { throw std::bad_alloc(); }, "メモリが足りません."},
  };
  for (const auto& c : cases) {
    std::vector<TDialogDriver::TStep> steps;
    if (c.Text != nullptr) steps.push_back(TDialogDriver::PressButton(IDOK));
    TDialogDriver driver(std::move(steps));
    try {
      c.Raise();
    } catch (...) {
      application.HandleException();
    }
    const auto handled = driver.Handled();
    ASSERT_TRUE(driver.Unexpected().empty()) << "an extra box: " << driver.Unexpected()[0].Text;
    ASSERT_EQ(handled.size(), c.Text != nullptr ? 1u : 0u) << (c.Text ? c.Text : "silent abort");
    if (c.Text == nullptr) continue;
    EXPECT_EQ(handled[0].Title, "Tintsight");
    EXPECT_EQ(handled[0].Text, c.Text);
  }
}

}  // namespace
