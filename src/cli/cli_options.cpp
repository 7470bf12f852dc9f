#include "cli/cli_options.h"

#include <charconv>
#include <filesystem>
#include <map>
#include <optional>

#include "image/colour/daltonize.h"
#include "platform/letter_case.h"
#include "rtl/file_name.h"

const std::string_view kCliUsage =
    "usage: tintsight-cli [-c N] [--plugin-dir DIR]... INPUT OUTPUT\n"
    "       tintsight-cli --simulate TYPE [--severity S] [--plugin-dir DIR]... INPUT OUTPUT\n"
    "       tintsight-cli --sheet [--plugin-dir DIR]... INPUT OUTPUT\n"
    "       tintsight-cli [-c N | --simulate TYPE [--severity S] | --sheet] [--format bmp|png]\n"
    "                     [--plugin-dir DIR]... -o DIR INPUT...\n"
    "       tintsight-cli --list-plugins [--plugin-dir DIR]...\n"
    "       tintsight-cli --daltonize TYPE [--severity S] [--plugin-dir DIR]... INPUT OUTPUT\n"
    "       tintsight-cli --contrast-loss [--threshold V,L] [-c N | --simulate TYPE\n"
    "                     [--severity S] | --daltonize TYPE [--severity S] | --sheet]\n"
    "                     [--plugin-dir DIR]... INPUT OUTPUT\n"
    "       tintsight-cli --version\n"
    "Reads each picture INPUT, takes one colour primary away under analysis condition N (or\n"
    "simulates a colour-vision deficiency, or makes a contact sheet of every variant) and\n"
    "writes the result as a 24-bit BMP file: to OUTPUT, or with -o to DIR/<INPUT's name without\n"
    "its extension>.bmp. An OUTPUT whose name ends in .png is written as PNG. BMP files are read\n"
    "directly; every other format is read by a Susie plug-in (*.spi) found in the program's\n"
    "folder, in its SusiePlugin folder, or in a folder given with --plugin-dir. An INPUT or\n"
    "OUTPUT of - is standard input or output.\n"
    "An installed program also finds plug-ins in ../lib/tintsight/SusiePlugin from its folder.\n"
    "  -c N              the analysis condition (default 0):\n"
    "                    0 red, 1 green, 2 blue set to zero;\n"
    "                    3 red, 4 green, 5 blue replaced by the mean of the other two\n"
    "  --simulate TYPE   how a picture looks with a colour-vision deficiency, instead of -c:\n"
    "                    protanopia, deuteranopia, tritanopia, protanomaly, deuteranomaly,\n"
    "                    tritanomaly, achromatopsia\n"
    "  --severity S      for protanomaly, deuteranomaly, tritanomaly: 0 (none) to 1 (the\n"
    "                    dichromacy); default 0.6\n"
    "  --sheet           one picture of INPUT as it is, the six conditions, protanopia,\n"
    "                    deuteranopia, tritanopia and achromatopsia side by side, labelled\n"
    "  --daltonize TYPE  recolour the picture so that a viewer of TYPE (any but achromatopsia)\n"
    "                    sees more of its colour differences; --severity as for --simulate\n"
    "  --contrast-loss   instead of the result, a map of the boundaries that it loses: the\n"
    "                    picture grey and faint, lost boundaries marked in dark magenta; prints\n"
    "                    \"INPUT: TYPE: P% of visible boundaries lost (LOST of VISIBLE)\" per\n"
    "                    picture (with --sheet: the maps of every tile, a line for each)\n"
    "  --threshold V,L   with --contrast-loss: a boundary is visible from a CIEDE2000\n"
    "                    difference of V, and lost below L in the result (default 10,5)\n"
    "                    (--daltonize and --contrast-loss work with -o DIR INPUT... too)\n"
    "  -o DIR            write one result per INPUT into the folder DIR\n"
    "  --format bmp|png  with -o: the format of the results (default bmp)\n"
    "  --plugin-dir DIR  look for plug-ins in DIR as well (may be repeated)\n"
    "  --list-plugins    list the plug-ins found, with their formats, and do nothing else\n"
    "  --plugin-timeout SECONDS\n"
    "                    give up a plug-in call after SECONDS (default 60; 0: never)\n"
    "  --help            show this text\n"
    "  --version         show the version and the commit it was built from\n"
    "Exit status: 0 done, 1 some picture could not be read or written, 2 a usage error.\n";

namespace {

constexpr int kLastCondition = 5;
constexpr std::string_view kPluginDirOption = "--plugin-dir";

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

// The valid types, for the message that refuses another.
std::string VisionTypeList() {
  std::string list;
  for (const TVisionTypeName& entry : kVisionTypeNames) {
    list += list.empty() ? "" : ", ";
    list += entry.Name;
  }
  return list;
}

TVisionType ParseVisionType(std::string_view text) {
  const std::optional<TVisionType> type = FindVisionType(text);
  if (!type) {
    throw EUsageError("the colour-vision type must be one of " + VisionTypeList() + ", not \"" +
                      std::string(text) + "\"");
  }
  return *type;
}

double ParseSeverity(std::string_view text) {
  double value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  // Written so that NaN fails too.
  if (text.empty() || error != std::errc() || stop != end || !(value >= 0 && value <= 1)) {
    throw EUsageError("the severity must be a number from 0 to 1, not \"" + std::string(text) +
                      "\"");
  }
  return value;
}

// --daltonize's type: every --simulate type but achromatopsia.
TVisionType ParseDaltonizeType(std::string_view text) {
  const TVisionType type = ParseVisionType(text);
  if (!CanDaltonize(type)) {
    throw EUsageError(
        "achromatopsia cannot be daltonized: it leaves lightness alone, no colour to move a lost "
        "difference into");
  }
  return type;
}

// --threshold V,L: two ΔE00 values, V above 0 and L from 0 to V.
TContrastThresholds ParseThresholds(std::string_view text) {
  const std::size_t comma = text.find(',');
  TContrastThresholds thresholds;
  bool valid = comma != std::string_view::npos;
  const auto number = [&](std::string_view part, double& value) {
    const char* end = part.data() + part.size();
    const auto [stop, error] = std::from_chars(part.data(), end, value);
    valid = valid && !part.empty() && error == std::errc() && stop == end;
  };
  if (valid) {
    number(text.substr(0, comma), thresholds.Visible);
    number(text.substr(comma + 1), thresholds.Lost);
  }
  // Written so that NaN fails too.
  if (!valid || !(thresholds.Visible > 0 && thresholds.Visible <= 1000) ||
      !(thresholds.Lost >= 0 && thresholds.Lost <= thresholds.Visible)) {
    throw EUsageError(
        "the threshold must be V,L: two ΔE00 values, V above 0 (at most 1000) and L from 0 to "
        "V, not \"" + std::string(text) + "\"");
  }
  return thresholds;
}

// The extension of the batch form's results under --format.
std::string_view ParseFormat(std::string_view text) {
  if (text == "bmp") return ".bmp";
  if (text == "png") return ".png";
  throw EUsageError("the format must be bmp or png, not \"" + std::string(text) + "\"");
}

// A folder named on the command line: never empty, since an empty name would mean "nowhere"
// to the user but "the usual places" to the plug-in search and "here" to the file system.
std::string ParseFolder(std::string_view option, std::string_view text) {
  if (text.empty()) throw EUsageError(std::string(option) + " needs a folder");
  return std::string(text);
}

// The text under which two names denote the same file as far as the names tell: "." and ".."
// steps and doubled delimiters resolved, and on Windows, whose file names ignore letter case,
// in lower case.
std::string SameFileKey(const std::string& name) {
  const std::filesystem::path path(std::u8string(name.begin(), name.end()));
  const std::u8string normal = path.lexically_normal().u8string();
  std::string key(normal.begin(), normal.end());
#ifdef _WIN32
  key = platform::LowerCase(key);
#endif
  return key;
}

// The batch form's jobs. Refuses what would silently lose a picture: two inputs that share an
// output file, where the second result would replace the first, and an input that its own result
// would replace (an input BMP in the output folder; no other input can share its name there).
std::vector<TCliJob> BatchJobs(const std::string& outputDir, const std::vector<std::string>& inputs,
                               std::string_view extension) {
  std::vector<TCliJob> jobs;
  std::map<std::string, const std::string*> outputs;
  for (const std::string& input : inputs) {
    TCliJob job{input, BatchOutputName(outputDir, input, extension)};
    const std::string key = SameFileKey(job.Output);
    if (key == SameFileKey(input)) {
      throw EUsageError("\"" + input + "\" would be overwritten by its own result");
    }
    if (const auto [at, added] = outputs.emplace(key, &input); !added) {
      throw EUsageError("\"" + *at->second + "\" and \"" + input + "\" would both be written to \"" +
                        job.Output + "\"");
    }
    jobs.push_back(std::move(job));
  }
  return jobs;
}

}  // namespace

std::string InFolder(std::string_view folder, std::string_view name) {
  std::string path(folder);
  if (!path.empty() && PathDelimiters().find(path.back()) == std::string_view::npos) {
    path += PathDelimiter();
  }
  return path.append(name);
}

std::string BatchOutputName(const std::string& outputDir, const std::string& input,
                            std::string_view extension) {
  const std::string name = ExtractFileName(input);
  std::string stem = name.substr(0, name.size() - ExtractFileExt(name).size());
  if (stem.empty()) stem = name;
  return InFolder(outputDir, stem.append(extension));
}

namespace {

// --plugin-timeout: whole seconds, 0 for no limit; at most a day (a longer wait is no limit
// either, and the milliseconds stay countable).
constexpr std::string_view kPluginTimeoutOption = "--plugin-timeout";
constexpr int kLongestPluginTimeout = 24 * 60 * 60;

int ParsePluginTimeout(std::string_view text) {
  int value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || stop != end || value < 0 ||
      value > kLongestPluginTimeout) {
    throw EUsageError("--plugin-timeout needs whole seconds from 0 (no limit) to " +
                      std::to_string(kLongestPluginTimeout) + ", not \"" + std::string(text) +
                      "\"");
  }
  return value;
}

}  // namespace

TCliOptions ParseCliArguments(std::span<const std::string> arguments) {
  TCliOptions options;
  std::vector<std::string> files;
  bool listPlugins = false;
  bool help = false;
  bool version = false;
  bool conditionGiven = false;
  bool simulateGiven = false;
  bool severityGiven = false;
  bool sheetGiven = false;
  std::string_view format;  // --format's extension; empty when not given
  bool daltonizeGiven = false;
  bool thresholdGiven = false;
  bool optionsEnded = false;
  // The value of an option that takes one: the next argument.
  const auto value = [&](std::size_t& i, std::string_view missing) -> const std::string& {
    if (++i == arguments.size()) throw EUsageError(std::string(missing));
    return arguments[i];
  };
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    const std::string_view text = argument;
    if (optionsEnded || argument == "-" || !argument.starts_with('-')) {
      files.push_back(argument);
    } else if (argument == "--") {
      optionsEnded = true;
    } else if (argument == "--help" || argument == "-h") {
      help = true;
    } else if (argument == "--version") {
      version = true;
    } else if (argument == "--list-plugins") {
      listPlugins = true;
    } else if (argument == kPluginDirOption) {
      options.PluginDirs.push_back(
          ParseFolder(kPluginDirOption, value(i, "--plugin-dir needs a folder")));
    } else if (text.starts_with(kPluginDirOption) && text[kPluginDirOption.size()] == '=') {
      options.PluginDirs.push_back(
          ParseFolder(kPluginDirOption, text.substr(kPluginDirOption.size() + 1)));
    } else if (argument == "-c") {
      options.Condition = ParseCondition(value(i, "-c needs a condition number"));
      conditionGiven = true;
    } else if (argument.starts_with("-c")) {
      options.Condition = ParseCondition(text.substr(2));
      conditionGiven = true;
    } else if (argument == "--simulate") {
      options.VisionType = ParseVisionType(value(i, "--simulate needs a type: " + VisionTypeList()));
      simulateGiven = true;
    } else if (argument == "--severity") {
      options.Severity = ParseSeverity(value(i, "--severity needs a number from 0 to 1"));
      severityGiven = true;
    } else if (argument == "--sheet") {
      sheetGiven = true;
    } else if (argument == "--daltonize") {
      options.VisionType =
          ParseDaltonizeType(value(i, "--daltonize needs a type: " + VisionTypeList()));
      daltonizeGiven = true;
    } else if (argument == "--contrast-loss") {
      options.ContrastLoss = true;
    } else if (argument == "--threshold") {
      options.Thresholds = ParseThresholds(value(i, "--threshold needs V,L: two ΔE00 values"));
      thresholdGiven = true;
    } else if (argument == "--format") {
      format = ParseFormat(value(i, "--format needs bmp or png"));
    } else if (argument == "-o") {
      options.OutputDir = ParseFolder("-o", value(i, "-o needs a folder"));
    } else if (argument.starts_with("-o")) {
      options.OutputDir = ParseFolder("-o", text.substr(2));
    } else if (argument == kPluginTimeoutOption) {
      options.PluginTimeout =
          ParsePluginTimeout(value(i, "--plugin-timeout needs a number of seconds"));
    } else if (text.starts_with(kPluginTimeoutOption) && text[kPluginTimeoutOption.size()] == '=') {
      options.PluginTimeout = ParsePluginTimeout(text.substr(kPluginTimeoutOption.size() + 1));
    } else {
      throw EUsageError("unknown option \"" + argument + "\"");
    }
  }

  if (help) {
    options.Action = TCliAction::caHelp;
    return options;
  }
  // --version, like --help, does nothing else, whatever else is asked.
  if (version) {
    options.Action = TCliAction::caVersion;
    return options;
  }
  if (int{conditionGiven} + int{simulateGiven} + int{sheetGiven} > 1) {
    throw EUsageError("-c, --simulate and --sheet exclude each other");
  }
  // Daltonization and the contrast-loss map.
  if (daltonizeGiven && (conditionGiven || simulateGiven || sheetGiven)) {
    throw EUsageError("--daltonize excludes -c, --simulate and --sheet");
  }
  if (thresholdGiven && !options.ContrastLoss) {
    throw EUsageError("--threshold goes with --contrast-loss");
  }
  if (listPlugins && (daltonizeGiven || options.ContrastLoss)) {
    throw EUsageError("--list-plugins goes with --plugin-dir only");
  }
  if (daltonizeGiven) options.Operation = TCliOperation::coDaltonize;
  if (severityGiven && !((simulateGiven || daltonizeGiven) && HasSeverity(options.VisionType))) {
    throw EUsageError(
        "--severity goes with --simulate or --daltonize protanomaly, deuteranomaly or "
        "tritanomaly");
  }
  if (simulateGiven) options.Operation = TCliOperation::coSimulate;
  if (sheetGiven) options.Operation = TCliOperation::coSheet;
  if (listPlugins) {
    if (!files.empty() || conditionGiven || simulateGiven || sheetGiven || !format.empty() ||
        !options.OutputDir.empty()) {
      throw EUsageError("--list-plugins goes with --plugin-dir only");
    }
    options.Action = TCliAction::caListPlugins;
    return options;
  }
  if (options.IsBatch()) {
    if (files.empty()) throw EUsageError("-o needs at least one input file");
    options.Jobs = BatchJobs(options.OutputDir, files, format.empty() ? ".bmp" : format);
    return options;
  }
  if (!format.empty()) {
    throw EUsageError("--format goes with -o; a single OUTPUT's name chooses its format");
  }
  if (files.size() != 2) {
    throw EUsageError(files.size() < 2 ? "an input and an output file are needed"
                                       : "too many file names (-o DIR takes several inputs)");
  }
  options.Jobs.push_back(TCliJob{files[0], files[1]});
  return options;
}
