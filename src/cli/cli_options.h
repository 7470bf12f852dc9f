// The command line of tintsight-cli: what to do, what to read, where to write, under which
// analysis condition, and which further folders hold plug-ins.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "rtl/exception.h"

// A command line that does not say what to do; the message says what is wrong with it, on one
// line.
TS_DECLARE_EXCEPTION(EUsageError, Exception);

// What a run does.
enum class TCliAction {
  caAnalyse,      // analyse every job
  caListPlugins,  // print the plug-ins that the collection finds
  caHelp,         // print the usage
};

// One picture to analyse: read from `Input`, written as BMP to `Output`.
struct TCliJob {
  std::string Input;
  std::string Output;

  bool operator==(const TCliJob&) const = default;
};

struct TCliOptions {
  TCliAction Action = TCliAction::caAnalyse;
  int Condition = 0;                    // the analysis condition, 0 to 5
  std::vector<std::string> PluginDirs;  // --plugin-dir folders, in the order given
  std::string OutputDir;                // -o: the batch form's output folder; empty otherwise
  std::vector<TCliJob> Jobs;            // in the order of the inputs

  // Whether the jobs come from the batch form (-o DIR INPUT...), whose reports name each input.
  bool IsBatch() const { return !OutputDir.empty(); }
};

// The usage text printed by --help.
extern const std::string_view kCliUsage;

// Parses the arguments after the program name, one of
//   [-c N] [--plugin-dir DIR]... INPUT OUTPUT
//   [-c N] [--plugin-dir DIR]... -o DIR INPUT...
//   --list-plugins [--plugin-dir DIR]...
//   --help
// "-c N" and "-cN" set the condition, "-o DIR" and "-oDIR" the output folder, "--plugin-dir DIR"
// and "--plugin-dir=DIR" add a plug-in folder; the last -c and -o count. "--" ends the options,
// so that a file name may start with "-". --help wins over everything after a successful parse.
// The batch form writes DIR/<input name without its extension>.bmp for each input; it refuses
// two inputs that would be written to the same file, and an input that would be overwritten by
// its own result, as far as the names tell (letter case ignored on Windows). Fails with
// EUsageError on anything else.
TCliOptions ParseCliArguments(std::span<const std::string> arguments);

// `name` in `folder`: a path delimiter goes between them unless `folder` already ends with one
// (on Windows also '/' or a drive's ':', where "C:name" names a file in the drive's current
// folder).
std::string InFolder(std::string_view folder, std::string_view name);

// The file that the batch form writes for `input` in `outputDir`: the input's name without its
// extension (the whole name when nothing would be left) and ".bmp".
std::string BatchOutputName(const std::string& outputDir, const std::string& input);
