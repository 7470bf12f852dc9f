#include "cli/cli_options.h"

#include <charconv>

const std::string_view kCliUsage =
    "usage: tintsight-cli [-c N] INPUT OUTPUT\n"
    "Reads the picture INPUT, takes one colour primary away under analysis condition N and\n"
    "writes the result to OUTPUT as a 24-bit BMP file.\n"
    "  -c N    the analysis condition (default 0):\n"
    "          0 red, 1 green, 2 blue set to zero;\n"
    "          3 red, 4 green, 5 blue replaced by the mean of the other two\n"
    "  --help  show this text\n";

namespace {

constexpr int kLastCondition = 5;

int ParseCondition(std::string_view text) {
  int value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || stop != end || value < 0 || value > kLastCondition) {
    throw EUsageError("the condition must be a number from 0 to 5, not \"" + std::string(text) +
                      "\"");
  }
  return value;
}

}  // namespace

TCliOptions ParseCliArguments(std::span<const std::string> arguments) {
  TCliOptions options;
  std::vector<std::string> files;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (optionsEnded || argument == "-" || !argument.starts_with('-')) {
      files.push_back(argument);
    } else if (argument == "--") {
      optionsEnded = true;
    } else if (argument == "--help" || argument == "-h") {
      options.Help = true;
    } else if (argument == "-c") {
      if (++i == arguments.size()) throw EUsageError("-c needs a condition number");
      options.Condition = ParseCondition(arguments[i]);
    } else if (argument.starts_with("-c")) {
      options.Condition = ParseCondition(std::string_view(argument).substr(2));
    } else {
      throw EUsageError("unknown option \"" + argument + "\"");
    }
  }
  if (options.Help) return options;
  if (files.size() != 2) {
    throw EUsageError(files.size() < 2 ? "an input and an output file are needed"
                                       : "too many file names");
  }
  options.Jobs.push_back(TCliJob{files[0], files[1]});
  return options;
}
