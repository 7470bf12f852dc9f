#include "cli/report.h"

#include <gtest/gtest.h>

#include <new>
#include <sstream>
#include <stdexcept>
#include <string>

#include "rtl/exception.h"

namespace {

TEST(CliReport, TextsBecomeOnePrintableLine) {
  struct TCase {
    std::string Text;
    std::string Line;
  };
  const TCase cases[] = {
      {"ファイル a.png は開けません", "ファイル a.png は開けません"},
      {"Win32 エラー。コード : 5.\nアクセスが拒否されました。\r\n",
       "Win32 エラー。コード : 5. アクセスが拒否されました。"},
      {"tab\there", "tab here"},
      {"escape \x1b[2Jcleared", "escape ?[2Jcleared"},
      {std::string("nul\0inside", 10), "nul?inside"},
      {"bell\a and delete\x7f", "bell? and delete?"},
      {"trailing   ", "trailing"},
      {"", ""},
  };
  for (const TCase& c : cases) EXPECT_EQ(OneLine(c.Text), c.Line) << "from \"" << c.Text << "\"";
}

TEST(CliReport, AnErrorIsOneLineAfterTheProgramsName) {
  std::ostringstream errors;
  ReportError(errors, "x.png: 認識できない画像形式です\n");
  EXPECT_EQ(errors.str(), "tintsight-cli: x.png: 認識できない画像形式です\n");
}

TEST(CliReport, EveryFailureHasAMessage) {
  EXPECT_EQ(FailureMessage(EInvalidGraphic("ビットマップイメージが不正です")),
            "ビットマップイメージが不正です");
  EXPECT_EQ(FailureMessage(std::bad_alloc()), "out of memory");
  EXPECT_EQ(FailureMessage(std::length_error("too long")), "too long");
}

TEST(CliReport, AContrastLossLineGivesTheShareToATenthAndTheCounts) {
  struct TCase {
    std::uint64_t Lost, Visible;
    const char* Share;
  };
  const TCase cases[] = {{0, 0, "0.0"},      {1, 3, "33.3"},        {2, 3, "66.7"},
                         {1, 2000, "0.1"},   {1999, 2000, "100.0"}, {12345, 52700, "23.4"},
                         {7, 7, "100.0"}};
  for (const TCase& c : cases) {
    EXPECT_EQ(ContrastLossLine("photo.png", "deuteranopia", c.Lost, c.Visible),
              "photo.png: deuteranopia: " + std::string(c.Share) + "% of visible boundaries lost (" +
                  std::to_string(c.Lost) + " of " + std::to_string(c.Visible) + ")");
  }
}

}  // namespace
