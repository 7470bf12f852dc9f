// The command line of tintsight-cli: what to do, what to read, where to write, under which
// analysis condition, and which further folders hold plug-ins.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "image/colour/contrast_loss.h"
#include "image/colour/vision_model.h"
#include "rtl/exception.h"

// A command line that does not say what to do; the message says what is wrong with it, on one
// line.
TS_DECLARE_EXCEPTION(EUsageError, Exception);

// What a run does.
enum class TCliAction {
  caAnalyse,      // analyse every job
  caListPlugins,  // print the plug-ins that the collection finds
  caHelp,         // print the usage
  caVersion,      // print the version
};

// What each job makes of its picture.
enum class TCliOperation {
  coCondition,  // an analysis condition (-c N, the default)
  coSimulate,   // a colour-vision model (--simulate TYPE [--severity S])
  coSheet,      // a contact sheet: the picture as it is, every condition, every dichromacy
  coDaltonize,  // a picture recoloured for a viewer (--daltonize TYPE [--severity S])
};

// One picture to analyse: read from `Input`, written to `Output` (PNG when its name ends in
// ".png", BMP otherwise).
struct TCliJob {
  std::string Input;
  std::string Output;

  bool operator==(const TCliJob&) const = default;
};

struct TCliOptions {
  TCliAction Action = TCliAction::caAnalyse;
  TCliOperation Operation = TCliOperation::coCondition;
  int Condition = 0;                    // the analysis condition, 0 to 5
  TVisionType VisionType = TVisionType::vtProtanopia;  // --simulate
  double Severity = kDefaultSeverity;   // --severity, 0 to 1; for the anomalous types
  std::vector<std::string> PluginDirs;  // --plugin-dir folders, in the order given
  int PluginTimeout = 60;               // --plugin-timeout: seconds per plug-in call; 0 none
  std::string OutputDir;                // -o: the batch form's output folder; empty otherwise
  std::vector<TCliJob> Jobs;            // in the order of the inputs

  // --contrast-loss: instead of the operation's result, the map of the boundaries it loses (of a
  // sheet: the maps of every tile), and one line of figures per picture on standard output.
  // --daltonize TYPE with it: what a TYPE viewer still loses of the daltonized picture.
  bool ContrastLoss = false;
  TContrastThresholds Thresholds;  // --threshold V,L

  // Whether the jobs come from the batch form (-o DIR INPUT...), whose reports name each input.
  bool IsBatch() const { return !OutputDir.empty(); }
};

// The usage text printed by --help.
extern const std::string_view kCliUsage;

// Parses the arguments after the program name, one of
//   [OPERATION] [--plugin-dir DIR]... INPUT OUTPUT
//   [OPERATION] [--format bmp|png] [--plugin-dir DIR]... -o DIR INPUT...
//   --list-plugins [--plugin-dir DIR]...
//   --help
//   --version
// where OPERATION is one of -c N, --simulate TYPE [--severity S] (S only for the anomalous
// types), --sheet, --daltonize TYPE [--severity S] (every type but achromatopsia), each
// optionally with --contrast-loss [--threshold V,L].
// "-c N" and "-cN" set the condition, "-o DIR" and "-oDIR" the output folder, "--plugin-dir DIR"
// and "--plugin-dir=DIR" add a plug-in folder; the last -c and -o count. "--" ends the options,
// so that a file name may start with "-". --help wins over everything after a successful parse,
// and --version over everything but --help.
// The batch form writes DIR/<input name without its extension>.bmp (or .png with --format png)
// for each input; it refuses
// two inputs that would be written to the same file, and an input that would be overwritten by
// its own result, as far as the names tell (letter case ignored on Windows). Fails with
// EUsageError on anything else.
TCliOptions ParseCliArguments(std::span<const std::string> arguments);

// `name` in `folder`: a path delimiter goes between them unless `folder` already ends with one
// (on Windows also '/' or a drive's ':', where "C:name" names a file in the drive's current
// folder).
std::string InFolder(std::string_view folder, std::string_view name);

// The file that the batch form writes for `input` in `outputDir`: the input's name without its
// extension (the whole name when nothing would be left) and `extension`.
std::string BatchOutputName(const std::string& outputDir, const std::string& input,
                            std::string_view extension = ".bmp");
