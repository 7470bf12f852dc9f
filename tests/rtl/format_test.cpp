#include "rtl/format.h"

#include <gtest/gtest.h>

#include "rtl/exception.h"
#include "rtl/messages.h"

namespace {

struct FormatCase {
  const char* format;
  std::initializer_list<TFormatArg> args;
  const char* expected;
};

TEST(Format, FillsPlaceholdersInOrder) {
  const FormatCase cases[] = {
      {"plain", {}, "plain"},
      {"%s:%d", {"a", 42}, "a:42"},
      {"%d%%", {-7}, "-7%"},
      {"%s は %s", {"x"}, "x は %s"},  // a missing argument leaves the placeholder
      {"end %", {}, "end %"},
      {"%x stays", {1}, "%x stays"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Format(c.format, c.args), c.expected) << "format: " << c.format;
  }
}

TEST(Exception, CarriesFormattedMessageAndClassName) {
  const EListError error(rtl_messages::SListIndexError, {5});
  EXPECT_EQ(error.Message(), "リストのインデックスが範囲を超えています (5)");
  EXPECT_STREQ(error.what(), error.Message().c_str());
  EXPECT_STREQ(error.ClassName(), "EListError");

  // The family: stream errors are stream errors, every error is an Exception.
  try {
    throw EReadError(rtl_messages::SReadError);
  } catch (const EStreamError& e) {
    EXPECT_STREQ(e.ClassName(), "EReadError");
  }
  EXPECT_THROW(throw EOutOfResources("x"), EOutOfMemory);
}

TEST(Exception, Win32ErrorCarriesCodeAndText) {
  try {
    RaiseWin32Error(2);
    FAIL() << "no exception";
  } catch (const EWin32Error& e) {
    EXPECT_EQ(e.Message().rfind("Win32 エラー。コード : 2.\n", 0), 0u) << e.Message();
    EXPECT_GT(e.Message().size(), std::string("Win32 エラー。コード : 2.\n").size());
  }
}

}  // namespace
