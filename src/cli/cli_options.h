// The command line of tintsight-cli: what to read, what to write, and under which analysis
// condition.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "rtl/exception.h"

// A command line that does not say what to do; the message says what is wrong with it.
TS_DECLARE_EXCEPTION(EUsageError, Exception);

// One picture to analyse: read from `Input`, written as BMP to `Output`.
struct TCliJob {
  std::string Input;
  std::string Output;

  bool operator==(const TCliJob&) const = default;
};

struct TCliOptions {
  bool Help = false;   // --help: print the usage and do nothing else
  int Condition = 0;   // the analysis condition, 0 to 5
  std::vector<TCliJob> Jobs;
};

// The usage text printed by --help and after a usage error.
extern const std::string_view kCliUsage;

// Parses the arguments after the program name: `[-c N] INPUT OUTPUT`, or `--help`. "-c N" and
// "-cN" both set the condition; "--" ends the options, so that a file name may start with "-".
// Fails with EUsageError on anything else.
TCliOptions ParseCliArguments(std::span<const std::string> arguments);
