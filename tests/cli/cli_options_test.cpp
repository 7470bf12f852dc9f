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
  std::vector<std::string> PluginDirs = {};
  TCliAction Action = TCliAction::caAnalyse;
  TCliOperation Operation = TCliOperation::coCondition;
  TVisionType Type = TVisionType::vtProtanopia;
  double Severity = kDefaultSeverity;
  bool ContrastLoss = false;
  TContrastThresholds Thresholds = {};
  int PluginTimeout = 60;
};

void PrintTo(const TParseCase& c, std::ostream* os) { *os << c.Name; }

TParseCase Fails(const char* name, std::vector<std::string> arguments, std::string error) {
  TParseCase c{name, std::move(arguments)};
  c.Error = std::move(error);
  return c;
}

TParseCase Listing(const char* name, std::vector<std::string> arguments,
                   std::vector<std::string> pluginDirs) {
  TParseCase c{name, std::move(arguments)};
  c.Action = TCliAction::caListPlugins;
  c.PluginDirs = std::move(pluginDirs);
  return c;
}

TParseCase Version(const char* name, std::vector<std::string> arguments) {
  TParseCase c{name, std::move(arguments)};
  c.Action = TCliAction::caVersion;
  return c;
}

TParseCase WithDirs(TParseCase c, std::vector<std::string> pluginDirs) {
  c.PluginDirs = std::move(pluginDirs);
  return c;
}

TParseCase TimedOut(TParseCase c, int seconds) {
  c.PluginTimeout = seconds;
  return c;
}

TParseCase Does(TParseCase c, TCliOperation operation, TVisionType type = TVisionType::vtProtanopia,
               double severity = kDefaultSeverity) {
  c.Operation = operation;
  c.Type = type;
  c.Severity = severity;
  return c;
}

TParseCase Mapping(TParseCase c, TContrastThresholds thresholds = {}) {
  c.ContrastLoss = true;
  c.Thresholds = thresholds;
  return c;
}

const std::string kTypes =
    "protanopia, deuteranopia, tritanopia, protanomaly, deuteranomaly, tritanomaly, achromatopsia";

// `leaf` in the folder `dir` as the batch form names its outputs.
std::string In(const std::string& dir, const std::string& leaf) {
#ifdef _WIN32
  return dir + "\\" + leaf;
#else
  return dir + "/" + leaf;
#endif
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
    Version("--version alone", {"--version"}),
    Version("--version wins over missing files and --list-plugins",
            {"a", "--version", "--list-plugins"}),
    {"--help wins over --version", {"--version", "--help"}, true, 0, {}},
    Fails("no arguments", {}, "an input and an output file are needed"),
    Fails("one file", {"in.bmp"}, "an input and an output file are needed"),
    Fails("three files", {"a", "b", "c"}, "too many file names (-o DIR takes several inputs)"),
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

    // Plug-in folders: repeatable, in the order given, in both spellings.
    WithDirs({"--plugin-dir with the single form", {"--plugin-dir", "p", "a", "b"}, false, 0,
              {{"a", "b"}}},
             {"p"}),
    WithDirs({"--plugin-dir=DIR, repeated, order kept", {"--plugin-dir=z", "a", "--plugin-dir",
              "y", "b", "--plugin-dir=x"}, false, 0, {{"a", "b"}}},
             {"z", "y", "x"}),
    WithDirs({"a plug-in folder may start with a dash", {"--plugin-dir", "-p", "a", "b"}, false, 0,
              {{"a", "b"}}},
             {"-p"}),
    Fails("--plugin-dir at the end", {"a", "b", "--plugin-dir"}, "--plugin-dir needs a folder"),
    Fails("--plugin-dir empty", {"--plugin-dir", "", "a", "b"}, "--plugin-dir needs a folder"),
    Fails("--plugin-dir= empty", {"--plugin-dir=", "a", "b"}, "--plugin-dir needs a folder"),
    Fails("a misspelt --plugin-dir", {"--plugin-dirs", "p", "a", "b"},
          "unknown option \"--plugin-dirs\""),
    TimedOut({"--plugin-timeout SECONDS", {"--plugin-timeout", "5", "a", "b"}, false, 0,
              {{"a", "b"}}}, 5),
    TimedOut({"--plugin-timeout=0, no limit", {"--plugin-timeout=0", "a", "b"}, false, 0,
              {{"a", "b"}}}, 0),
    Fails("--plugin-timeout below 0", {"--plugin-timeout", "-1", "a", "b"},
          "--plugin-timeout needs whole seconds from 0 (no limit) to 86400, not \"-1\""),
    Fails("--plugin-timeout over a day", {"--plugin-timeout=86401", "a", "b"},
          "--plugin-timeout needs whole seconds from 0 (no limit) to 86400, not \"86401\""),
    Fails("--plugin-timeout at the end", {"a", "b", "--plugin-timeout"},
          "--plugin-timeout needs a number of seconds"),

    // The batch form.
    {"-o with one input", {"-o", "out", "photo.jpg"}, false, 0, {{"photo.jpg", In("out", "photo.bmp")}}},
    {"-oDIR, several inputs, the extension replaced", {"-c5", "-oout", "a.png", "dir/b.tsp",
     "c"}, false, 5,
     {{"a.png", In("out", "a.bmp")}, {"dir/b.tsp", In("out", "b.bmp")}, {"c", In("out", "c.bmp")}}},
    {"only the last extension goes", {"-o", "out", "x.tar.gz"}, false, 0,
     {{"x.tar.gz", In("out", "x.tar.bmp")}}},
    {"a name that is all extension is kept whole", {"-o", "out", ".hidden"}, false, 0,
     {{".hidden", In("out", ".hidden.bmp")}}},
    {"an output folder with its delimiter", {"-o", "out/", "a.png"}, false, 0,
     {{"a.png", "out/a.bmp"}}},
    {"-o after the inputs; the last -o counts", {"a.png", "-o", "x", "b.png", "-o", "out"}, false,
     0, {{"a.png", In("out", "a.bmp")}, {"b.png", In("out", "b.bmp")}}},
    {"a BMP input into another folder", {"-o", "out", "in/a.bmp"}, false, 0,
     {{"in/a.bmp", In("out", "a.bmp")}}},
    Fails("-o without inputs", {"-o", "out"}, "-o needs at least one input file"),
    Fails("-o without a folder", {"a.png", "-o"}, "-o needs a folder"),
    Fails("-o empty", {"-o", "", "a.png"}, "-o needs a folder"),
    Fails("two inputs with one output", {"-o", "out", "a/x.png", "b/x.jpg"},
          "\"a/x.png\" and \"b/x.jpg\" would both be written to \"" + In("out", "x.bmp") + "\""),
#ifdef _WIN32
    Fails("names that differ in letter case only", {"-o", "out", "Photo.png", "photo.jpg"},
          "\"Photo.png\" and \"photo.jpg\" would both be written to \"" + In("out", "photo.bmp") +
              "\""),
#else
    {"names that differ in letter case only", {"-o", "out", "Photo.png", "photo.jpg"}, false, 0,
     {{"Photo.png", In("out", "Photo.bmp")}, {"photo.jpg", In("out", "photo.bmp")}}},
#endif
    Fails("the same input twice", {"-o", "out", "x.png", "x.png"},
          "\"x.png\" and \"x.png\" would both be written to \"" + In("out", "x.bmp") + "\""),
    Fails("an input overwritten by its own result", {"-o", "out", "a.png", "out/x.bmp"},
          "\"out/x.bmp\" would be overwritten by its own result"),
    Fails("an input overwritten, spelt another way", {"-o", "./out", "out/./x.bmp"},
          "\"out/./x.bmp\" would be overwritten by its own result"),
    Fails("an input overwritten, spelt with ..", {"-o", "out", "out/sub/../x.bmp"},
          "\"out/sub/../x.bmp\" would be overwritten by its own result"),

    // The plug-in listing.
    Listing("--list-plugins alone", {"--list-plugins"}, {}),
    Listing("--list-plugins with folders", {"--plugin-dir", "p", "--list-plugins", "--plugin-dir=q"},
            {"p", "q"}),
    Fails("--list-plugins with files", {"--list-plugins", "a", "b"},
          "--list-plugins goes with --plugin-dir only"),
    Fails("--list-plugins with -c", {"--list-plugins", "-c", "1"},
          "--list-plugins goes with --plugin-dir only"),
    Fails("--list-plugins with -o", {"--list-plugins", "-o", "out"},
          "--list-plugins goes with --plugin-dir only"),
    {"--help wins over --list-plugins", {"--list-plugins", "a", "--help"}, true, 0, {}},
    Fails("--list-plugins with --sheet", {"--list-plugins", "--sheet"},
          "--list-plugins goes with --plugin-dir only"),

    // Simulation, the sheet and the output format.
    Does({"--simulate, default severity", {"--simulate", "protanomaly", "a", "b"}, false, 0,
          {{"a", "b"}}},
         TCliOperation::coSimulate, TVisionType::vtProtanomaly),
    Does({"--severity", {"a", "--severity", "0.35", "b", "--simulate", "tritanomaly"}, false, 0,
          {{"a", "b"}}},
         TCliOperation::coSimulate, TVisionType::vtTritanomaly, 0.35),
    Does({"--simulate, batch, --format png", {"--simulate", "achromatopsia", "--format", "png",
          "-o", "out", "x.jpg"}, false, 0, {{"x.jpg", In("out", "x.png")}}},
         TCliOperation::coSimulate, TVisionType::vtAchromatopsia),
    Does({"--sheet", {"--sheet", "a", "b.png"}, false, 0, {{"a", "b.png"}}}, TCliOperation::coSheet),
    Fails("an unknown type", {"--simulate", "protan", "a", "b"},
          "the colour-vision type must be one of " + kTypes + ", not \"protan\""),
    Fails("--simulate at the end", {"a", "b", "--simulate"}, "--simulate needs a type: " + kTypes),
    Fails("severity above 1", {"--simulate", "protanomaly", "--severity", "1.5", "a", "b"},
          "the severity must be a number from 0 to 1, not \"1.5\""),
    Fails("severity not a number", {"--simulate", "protanomaly", "--severity", "nan", "a", "b"},
          "the severity must be a number from 0 to 1, not \"nan\""),
    Fails("severity with text", {"--simulate", "protanomaly", "--severity", "0.5x", "a", "b"},
          "the severity must be a number from 0 to 1, not \"0.5x\""),
    Fails("--severity for a dichromacy", {"--simulate", "protanopia", "--severity", "1", "a", "b"},
          "--severity goes with --simulate or --daltonize protanomaly, deuteranomaly or "
          "tritanomaly"),
    Fails("-c with --simulate", {"-c", "1", "--simulate", "tritanopia", "a", "b"},
          "-c, --simulate and --sheet exclude each other"),
    Fails("--sheet with -c", {"--sheet", "-c2", "a", "b"}, "-c, --simulate and --sheet exclude each other"),
    Fails("an unknown format", {"--format", "gif", "-o", "out", "a"},
          "the format must be bmp or png, not \"gif\""),
    Fails("--format in the single form", {"--format", "png", "a", "b"},
          "--format goes with -o; a single OUTPUT's name chooses its format"),

    // Daltonization and the contrast-loss map.
    Does({"--daltonize", {"--daltonize", "tritanopia", "a", "b"}, false, 0, {{"a", "b"}}},
         TCliOperation::coDaltonize, TVisionType::vtTritanopia),
    Does({"--daltonize with a severity", {"--daltonize", "deuteranomaly", "--severity", "1", "a",
          "b"}, false, 0, {{"a", "b"}}},
         TCliOperation::coDaltonize, TVisionType::vtDeuteranomaly, 1),
    Mapping({"--contrast-loss with the default condition", {"--contrast-loss", "a", "b"}, false, 0,
             {{"a", "b"}}}),
    Mapping(Does({"--contrast-loss --simulate, --threshold", {"--threshold", "20,2.5",
                  "--contrast-loss", "--simulate", "tritanopia", "a", "b"}, false, 0, {{"a", "b"}}},
                 TCliOperation::coSimulate, TVisionType::vtTritanopia),
            {20, 2.5}),
    Mapping(Does({"--sheet --contrast-loss, batch", {"--sheet", "--contrast-loss", "-o", "out", "x"},
                  false, 0, {{"x", In("out", "x.bmp")}}},
                 TCliOperation::coSheet)),
    Fails("--daltonize achromatopsia", {"--daltonize", "achromatopsia", "a", "b"},
          "achromatopsia cannot be daltonized: it leaves lightness alone, no colour to move a lost "
          "difference into"),
    Fails("--daltonize with --simulate", {"--daltonize", "protanopia", "--simulate", "protanopia",
          "a", "b"}, "--daltonize excludes -c, --simulate and --sheet"),
    Fails("--threshold without --contrast-loss", {"--threshold", "10,5", "a", "b"},
          "--threshold goes with --contrast-loss"),
    Fails("--threshold with L above V", {"--contrast-loss", "--threshold", "5,10", "a", "b"},
          "the threshold must be V,L: two ΔE00 values, V above 0 (at most 1000) and L from 0 "
          "to V, not \"5,10\""),
    Fails("--threshold with one value", {"--contrast-loss", "--threshold", "10", "a", "b"},
          "the threshold must be V,L: two ΔE00 values, V above 0 (at most 1000) and L from 0 "
          "to V, not \"10\""),
    Fails("--threshold not a number", {"--contrast-loss", "--threshold", "10,nan", "a", "b"},
          "the threshold must be V,L: two ΔE00 values, V above 0 (at most 1000) and L from 0 "
          "to V, not \"10,nan\""),
    Fails("--list-plugins with --contrast-loss", {"--list-plugins", "--contrast-loss"},
          "--list-plugins goes with --plugin-dir only"),
};

class CliArguments : public ::testing::TestWithParam<TParseCase> {};

TEST_P(CliArguments, ParseAsDocumented) {
  const TParseCase& c = GetParam();
  try {
    const TCliOptions options = ParseCliArguments(c.Arguments);
    ASSERT_TRUE(c.Error.empty()) << "parsed, expected the usage error: " << c.Error;
    const TCliAction action = c.Help ? TCliAction::caHelp : c.Action;
    EXPECT_EQ(static_cast<int>(options.Action), static_cast<int>(action));
    EXPECT_EQ(options.Condition, c.Condition);
    EXPECT_EQ(options.Jobs, c.Jobs);
    EXPECT_EQ(options.PluginDirs, c.PluginDirs);
    EXPECT_EQ(options.PluginTimeout, c.PluginTimeout);
    EXPECT_EQ(static_cast<int>(options.Operation), static_cast<int>(c.Operation));
    EXPECT_EQ(options.ContrastLoss, c.ContrastLoss);
    EXPECT_EQ(options.Thresholds.Visible, c.Thresholds.Visible);
    EXPECT_EQ(options.Thresholds.Lost, c.Thresholds.Lost);
    if (c.Operation == TCliOperation::coSimulate || c.Operation == TCliOperation::coDaltonize) {
      EXPECT_EQ(static_cast<int>(options.VisionType), static_cast<int>(c.Type));
      EXPECT_EQ(options.Severity, c.Severity);
    }
  } catch (const EUsageError& e) {
    EXPECT_EQ(e.Message(), c.Error);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, CliArguments, ::testing::ValuesIn(kCases));

}  // namespace

namespace {

TEST(CliFileNames, ANameGoesIntoAFolderWithOneDelimiter) {
  struct TCase {
    const char* Folder;
    const char* Name;
    const char* Path;
  };
  const TCase cases[] = {
#ifdef _WIN32
      {"out", "a.bmp", "out\\a.bmp"},
      {"out\\", "a.bmp", "out\\a.bmp"},
      {"out/", "a.bmp", "out/a.bmp"},
      {"C:", "a.bmp", "C:a.bmp"},
      {"C:\\", "*.spi", "C:\\*.spi"},
#else
      {"out", "a.bmp", "out/a.bmp"},
      {"out/", "a.bmp", "out/a.bmp"},
      {"/", "*.spi", "/*.spi"},
      {"C:", "a.bmp", "C:/a.bmp"},
      {"out\\", "a.bmp", "out\\/a.bmp"},
#endif
      {"", "a.bmp", "a.bmp"},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(InFolder(c.Folder, c.Name), c.Path) << "\"" << c.Name << "\" in \"" << c.Folder << "\"";
  }
}

}  // namespace
