#include "cli/cli_options.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

// Jobs print as their two names in failure messages.
void PrintTo(const TCliJob& job, std::ostream* os) { *os << job.Input << " -> " << job.Output; }

namespace {

struct TParseCase {
  const char* Name;
  std::vector<std::string> Arguments;
  // Expected on success; Error non-empty when a usage error is expected (its message).
  bool Help = false;
  int Condition = 0;
  std::vector<TCliJob> Jobs = {};
  std::string Error = {};
};

void PrintTo(const TParseCase& c, std::ostream* os) { *os << c.Name; }

TParseCase Fails(const char* name, std::vector<std::string> arguments, std::string error) {
  TParseCase c{name, std::move(arguments)};
  c.Error = std::move(error);
  return c;
}

const std::vector<TParseCase> kCases = {
    {"input and output, condition 0 by default", {"in.bmp", "out.bmp"}, false, 0,
     {{"in.bmp", "out.bmp"}}},
    {"-c N before the files", {"-c", "3", "a", "b"}, false, 3, {{"a", "b"}}},
    {"-c N after the files", {"a", "b", "-c", "5"}, false, 5, {{"a", "b"}}},
    {"-cN in one argument", {"-c4", "a", "b"}, false, 4, {{"a", "b"}}},
    {"the last -c wins", {"-c1", "-c", "2", "a", "b"}, false, 2, {{"a", "b"}}},
    {"-- lets a file name start with a dash", {"-c", "1", "--", "-in", "-out"}, false, 1,
     {{"-in", "-out"}}},
    {"a lone dash is a file name", {"-", "out"}, false, 0, {{"-", "out"}}},
    {"names with spaces and Japanese", {"写真 1.bmp", "結果.bmp"}, false, 0,
     {{"写真 1.bmp", "結果.bmp"}}},
    {"--help alone", {"--help"}, true, 0, {}},
    {"-h with files", {"a", "-h", "b"}, true, 0, {}},
    {"--help wins over missing files", {"-c", "2", "--help"}, true, 2, {}},
    Fails("no arguments", {}, "an input and an output file are needed"),
    Fails("one file", {"in.bmp"}, "an input and an output file are needed"),
    Fails("three files", {"a", "b", "c"}, "too many file names"),
    Fails("-c without a number", {"a", "b", "-c"}, "-c needs a condition number"),
    Fails("condition 6", {"-c", "6", "a", "b"}, "the condition must be a number from 0 to 5, not \"6\""),
    Fails("condition -1", {"-c", "-1", "a", "b"}, "the condition must be a number from 0 to 5, not \"-1\""),
    Fails("condition with trailing text", {"-c2x", "a", "b"},
          "the condition must be a number from 0 to 5, not \"2x\""),
    Fails("condition empty", {"-c", "", "a", "b"}, "the condition must be a number from 0 to 5, not \"\""),
    Fails("condition too large for an int", {"-c", "99999999999", "a", "b"},
          "the condition must be a number from 0 to 5, not \"99999999999\""),
    Fails("unknown option", {"-x", "a", "b"}, "unknown option \"-x\""),
    Fails("unknown long option", {"--colour", "a", "b"}, "unknown option \"--colour\""),
};

class CliArguments : public ::testing::TestWithParam<TParseCase> {};

TEST_P(CliArguments, ParseAsDocumented) {
  const TParseCase& c = GetParam();
  try {
    const TCliOptions options = ParseCliArguments(c.Arguments);
    ASSERT_TRUE(c.Error.empty()) << "parsed, expected the usage error: " << c.Error;
    EXPECT_EQ(options.Help, c.Help);
    EXPECT_EQ(options.Condition, c.Condition);
    EXPECT_EQ(options.Jobs, c.Jobs);
  } catch (const EUsageError& e) {
    EXPECT_EQ(e.Message(), c.Error);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, CliArguments, ::testing::ValuesIn(kCases));

}  // namespace
