// tintsight-cli with plug-ins, run in-process: our bundled plug-in found beside the program (this
// test program stands in a folder with a SusiePlugin folder holding a copy of it), further
// folders given with --plugin-dir, the batch form, and the plug-in listing.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

#include "cli/cli.h"
#include "cli/plugin_collection.h"
#include "cli/plugin_listing.h"
#include "image/bitmap.h"
#include "picture_fixtures.h"
#include "plugin_test_support.h"
#include "plugins/local_spi_module.h"
#include "plugins/plugin_host_link.h"
#include "plugins/spis.h"
#include "rtl/exception.h"
#include "rtl/file_name.h"

namespace {

namespace fs = std::filesystem;
using fixtures::TRgbaPicture;
using plugin_test::TTempDir;
using plugin_test::Text;

struct TRun {
  int Status;
  std::string Output;
  std::string Errors;
};

TRun RunCliWith(const std::vector<std::string>& arguments) {
  std::ostringstream output;
  std::ostringstream errors;
  const int status = RunCli(arguments, output, errors);
  return {status, output.str(), errors.str()};
}

std::string Describe(const TRun& run) {
  return "exit " + std::to_string(run.Status) + "\nstdout:\n" + run.Output + "stderr:\n" +
         run.Errors;
}

// The pixel (blue, green, red) that the analysis makes of `rgba` under `condition`: conditions 0
// to 2 clear red, green or blue; 3 to 5 replace it by the mean of the other two, rounded down.
std::array<int, 3> Analysed(const std::uint8_t* rgba, int condition) {
  int red = rgba[0], green = rgba[1], blue = rgba[2];
  switch (condition) {
    case 0: red = 0; break;
    case 1: green = 0; break;
    case 2: blue = 0; break;
    case 3: red = (green + blue) / 2; break;
    case 4: green = (red + blue) / 2; break;
    case 5: blue = (red + green) / 2; break;
    default: ADD_FAILURE() << "no condition " << condition;
  }
  return {blue, green, red};
}

// Whether the BMP file at `path` is `source` analysed under `condition`, pixel for pixel.
::testing::AssertionResult HoldsAnalysed(const std::string& path, const TRgbaPicture& source,
                                         int condition) {
  TBitmap result;
  try {
    result.LoadFromFile(path);
  } catch (const Exception& e) {
    return ::testing::AssertionFailure() << path << " does not load: " << e.Message();
  }
  if (result.Width() != source.Width || result.Height() != source.Height ||
      result.PixelLayout() != TPixelLayout::pl24Bit) {
    return ::testing::AssertionFailure()
           << path << " is " << result.Width() << " x " << result.Height() << ", layout "
           << static_cast<int>(result.PixelLayout()) << "; expected " << source.Width << " x "
           << source.Height << " at 24 bits";
  }
  for (int y = 0; y < source.Height; ++y) {
    const std::uint8_t* row = result.RowData(y);
    for (int x = 0; x < source.Width; ++x) {
      const std::array<int, 3> expected = Analysed(source.At(x, y), condition);
      const std::array<int, 3> actual = {row[x * 3], row[x * 3 + 1], row[x * 3 + 2]};
      if (actual != expected) {
        return ::testing::AssertionFailure()
               << path << ", condition " << condition << ", pixel (" << x << ", " << y
               << "): blue/green/red " << actual[0] << "/" << actual[1] << "/" << actual[2]
               << ", expected " << expected[0] << "/" << expected[1] << "/" << expected[2];
      }
    }
  }
  return ::testing::AssertionSuccess();
}

// The picture format of the test plug-ins: "TSTP", width and height as little-endian 16-bit
// numbers, then blue, green, red per pixel, rows from the top, unpadded.
fixtures::TBytes MakeTestPicture(const TRgbaPicture& picture) {
  fixtures::TBytes bytes = {'T', 'S', 'T', 'P'};
  for (const int size : {picture.Width, picture.Height}) {
    bytes.push_back(static_cast<std::uint8_t>(size & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(size >> 8));
  }
  for (int y = 0; y < picture.Height; ++y) {
    for (int x = 0; x < picture.Width; ++x) {
      const std::uint8_t* rgba = picture.At(x, y);
      bytes.insert(bytes.end(), {rgba[2], rgba[1], rgba[0]});
    }
  }
  return bytes;
}

std::vector<std::string> FilesIn(const fs::path& folder) {
  std::vector<std::string> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder))
    names.push_back(Text(entry.path().filename()));
  std::sort(names.begin(), names.end());
  return names;
}

// The blocks of a listing, each as its lines.
std::vector<std::vector<std::string>> ListingBlocks(const std::string& listing) {
  std::vector<std::vector<std::string>> blocks(1);
  std::istringstream lines(listing);
  for (std::string line; std::getline(lines, line);) {
    if (line.empty()) {
      blocks.emplace_back();
    } else {
      blocks.back().push_back(line);
    }
  }
  return blocks;
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

TEST(CliPlugins, APngIsReadByTheBundledPlugInBesideTheProgram) {
  const TTempDir dir;
  const TRgbaPicture source = fixtures::Pattern(7, 5, false);
  const std::string input = Text(dir.Path() / "photo.png");
  fixtures::WriteFile(input, fixtures::MakePng(source, false));
  for (const int condition : {0, 1, 2, 3, 4, 5}) {
    const std::string output = Text(dir.Path() / "out.bmp");
    const TRun run = RunCliWith({"-c", std::to_string(condition), input, output});
    ASSERT_EQ(run.Status, 0) << Describe(run);
    EXPECT_EQ(run.Errors, "");
    EXPECT_TRUE(HoldsAnalysed(output, source, condition));
  }
}

TEST(CliPlugins, APlugInFolderAddsItsFormats) {
  const TTempDir pictures;
  const TTempDir plugins;
  plugin_test::CopyPlugin("tp_in", plugins.Path(), "test_picture.spi");
  const TRgbaPicture source = fixtures::Pattern(6, 3, false);
  const std::string input = Text(pictures.Path() / "picture.tsp");
  fixtures::WriteFile(input, MakeTestPicture(source));
  const std::string output = Text(pictures.Path() / "out.bmp");

  const TRun without = RunCliWith({"-c", "4", input, output});
  EXPECT_EQ(without.Status, 1) << Describe(without);
  EXPECT_EQ(without.Errors, "tintsight-cli: 認識できない画像形式です: tsimage.spi refused\n");
  EXPECT_FALSE(fs::exists(output));

  struct TWay {
    const char* Name;
    std::vector<std::string> Arguments;
  };
  const TWay ways[] = {
      {"--plugin-dir DIR", {"--plugin-dir", Text(plugins.Path())}},
      {"--plugin-dir=DIR", {"--plugin-dir=" + Text(plugins.Path())}},
      {"a folder with its delimiter", {"--plugin-dir", plugins.Prefix()}},
      {"a folder ending in /", {"--plugin-dir", Text(plugins.Path()) + "/"}},
      {"after an empty folder", {"--plugin-dir", Text(pictures.Path()), "--plugin-dir",
                                 Text(plugins.Path())}},
  };
  for (const TWay& way : ways) {
    fs::remove(output);
    std::vector<std::string> arguments = way.Arguments;
    arguments.insert(arguments.end(), {"-c", "4", input, output});
    const TRun run = RunCliWith(arguments);
    ASSERT_EQ(run.Status, 0) << way.Name << "\n" << Describe(run);
    EXPECT_TRUE(HoldsAnalysed(output, source, 4)) << way.Name;
  }
}

TEST(CliPlugins, ABatchGoesOnPastAnInputThatNothingReadsOrWhosePlugInFaults) {
#ifdef _WIN32
  const std::string faultCode = "0xC0000005";
#else
  const std::string faultCode = "SIGSEGV";
#endif
  struct TCase {
    const char* Variant;
    const char* Fault;  // where the fault variant faults (TP_FAULT); "" nowhere
    bool Helper;        // the plug-ins run in the plug-in helper
    std::string Cause;  // how each line about a faulting input ends
  };
  const TCase cases[] = {
      {"tp_in", "", false, ""},
      {"tp_in_faulty", "GetPicture:null", false, "で例外 " + faultCode + " が発生しました"},
      {"tp_in_faulty", "GetPicture:null", true, "で例外 " + faultCode + " が発生しました"},
      {"tp_in_faulty", "GetPicture:exit", true, ": the plug-in's process ended with exit code 3"},
      {"tp_in_faulty", "GetPicture:hang", true, ": no answer within 1 s"},
  };
  // One file for every case: a helper started in one case serves the next.
  const TTempDir faultDir;
  const std::string faultFile = Text(faultDir.Path() / "fault.txt");
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::string(c.Variant) + " " + c.Fault + (c.Helper ? " in the helper" : ""));
    const bool faults = *c.Fault != '\0';
    const TTempDir pictures;
    const TTempDir plugins;
    const TTempDir results;
    const std::string plugin =
        Text(plugin_test::CopyPlugin(c.Variant, plugins.Path(), "test_picture.spi"));
    const TRgbaPicture first = fixtures::Pattern(4, 4, false);
    // Above 1 MiB, so that in the helper its bytes and its blocks cross in memory of their own.
    const TRgbaPicture second = fixtures::Pattern(700, 600, false);
    const std::string good = Text(pictures.Path() / "good.png");
    const std::string bad = Text(pictures.Path() / "bad.png");
    const std::string other = Text(pictures.Path() / "other.tsp");
    fixtures::WriteFile(good, fixtures::MakePng(first, false));
    // The test plug-in's mark, then nothing: taken, and not decoded.
    fixtures::WriteFile(bad, fixtures::TBytes{'T', 'S', 'T', 'P', 'c', 'u', 't'});
    fixtures::WriteFile(other, MakeTestPicture(second));

#ifdef _WIN32
    ::SetEnvironmentVariableA("TP_FAULT", faults ? c.Fault : nullptr);
#else
    ::setenv("TP_FAULT", c.Fault, 1);
#endif
    // The helper keeps the environment it started with and reads the setting from a file.
    plugin_test::WriteFile(faultFile, c.Fault);
#ifdef _WIN32
    ::SetEnvironmentVariableA("TP_FAULT_FILE", faultFile.c_str());
#else
    ::setenv("TP_FAULT_FILE", faultFile.c_str(), 1);
#endif
    if (c.Helper) {
      SetPluginHostPath(TS_PLUGIN_HOST_PATH);
      UsePluginHost();
    }
    const TRun run = RunCliWith({"-c", "5", "--plugin-timeout", "1", "--plugin-dir",
                                 Text(plugins.Path()), "-o", Text(results.Path()), good, bad,
                                 other});
    SetSpiModuleOpener(&TLocalSpiModule::Open);
    EXPECT_EQ(run.Status, 1) << Describe(run);
    EXPECT_EQ(run.Output, "");
    // A fault is one line naming the file and the plug-in, for each input the plug-in takes.
    const std::string fault = ": " + plugin + ":Susie PluginのGetPicture" + c.Cause + "\n";
    EXPECT_EQ(run.Errors,
              faults ? "tintsight-cli: " + bad + fault + "tintsight-cli: " + other + fault
                     : "tintsight-cli: " + bad +
                           ": 認識できない画像形式です: tsimage.spi refused, test_picture.spi "
                           "failed with code 2 (unknown format)\n");
    EXPECT_EQ(FilesIn(results.Path()),
              faults ? std::vector<std::string>{"good.bmp"}
                     : (std::vector<std::string>{"good.bmp", "other.bmp"}));
    EXPECT_TRUE(HoldsAnalysed(Text(results.Path() / "good.bmp"), first, 5));
    if (!faults) {
      EXPECT_TRUE(HoldsAnalysed(Text(results.Path() / "other.bmp"), second, 5));
    }
  }
#ifdef _WIN32
  ::SetEnvironmentVariableA("TP_FAULT", nullptr);
  ::SetEnvironmentVariableA("TP_FAULT_FILE", nullptr);
#else
  ::unsetenv("TP_FAULT");
  ::unsetenv("TP_FAULT_FILE");
#endif
}

TEST(CliPlugins, TheListingShowsEveryPlugInInCollectionOrder) {
  // One plug-in per folder, so that the order is the order of the folders, which is given here
  // against the order in which they were made.
  const TTempDir folders[6];
  plugin_test::CopyPlugin("tp_in_multi", folders[0].Path(), "multi.spi");
  plugin_test::CopyPlugin("tp_no_version", folders[1].Path(), "plain.spi");
  plugin_test::CopyPlugin("tp_xn", folders[2].Path(), "xn.spi");
  plugin_test::CopyPlugin("tp_am", folders[3].Path(), "am.spi");
  plugin_test::CopyPlugin("tp_in", folders[4].Path(), "in.spi");
  plugin_test::CopyPlugin("tp_in_half", folders[4].Path(), ".hidden.spi");
  plugin_test::WriteFile(folders[5].Path() / "not_a_module.spi", "plain text");
  plugin_test::CopyPlugin("tp_in_half", folders[5].Path(), "half.spi");
#ifdef _WIN32
  // A hidden file is never found: elsewhere its leading dot hides it.
  plugin_test::MakeHidden(folders[4].Path() / ".hidden.spi");
#endif

  std::vector<std::string> arguments = {"--list-plugins"};
  for (int i = 5; i >= 0; --i) arguments.push_back("--plugin-dir=" + Text(folders[i].Path()));
  const TRun run = RunCliWith(arguments);
  ASSERT_EQ(run.Status, 0) << Describe(run);
  EXPECT_EQ(run.Errors, "");

  const std::string filter = "  filter: *.tsp (Tintsight test picture)";
  const std::string name = "  name: Tintsight test plug-in";
#ifdef _WIN32
  const std::string directoryFilter = "  filter: dir.x\\* (Dot in the directory)";
#else
  const std::string directoryFilter = "  filter: dir.x/* (Dot in the directory)";
#endif
  const std::vector<std::vector<std::string>> expected = {
      {folders[5].Prefix() + "half.spi", "  class: import (TInSPI)", "  version: 00IN", name},
      {folders[4].Prefix() + "in.spi", "  class: import (TInSPI)", "  version: 00IN", name,
       filter},
      {folders[3].Prefix() + "am.spi", "  class: archive (TAmSPI)", "  version: 00AM", name,
       filter},
      {folders[2].Prefix() + "xn.spi", "  class: other (TXnSPI)", "  version: 00XN", name,
       filter},
      {folders[1].Prefix() + "plain.spi", "  class: other (TSPI)", "  version: (none)", name,
       filter},
      {folders[0].Prefix() + "multi.spi", "  class: import (TInSPI)", "  version: 00IN", name,
       "  filter: *.abc;*.Def (Several patterns)", "  filter: * (No extension)", directoryFilter,
       "  filter: *.TSP (Test picture, upper case)"},
  };
  const std::vector<std::vector<std::string>> blocks = ListingBlocks(run.Output);
  ASSERT_EQ(blocks.size(), expected.size() + 1) << run.Output;
  // First, from the SusiePlugin folder beside the program, our own plug-in.
  ASSERT_GE(blocks[0].size(), 2u) << run.Output;
  EXPECT_EQ(blocks[0][0], PluginSearchFolders({})[0] + PathDelimiter() + "tsimage.spi");
  EXPECT_EQ(blocks[0][1], "  class: import (TInSPI)");
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(Joined(blocks[i + 1]), Joined(expected[i])) << "plug-in " << i + 1;
  }
}

TEST(CliPlugins, AnEmptyListingSaysWhereItLooked) {
  const TSPIs nothing(nullptr);  // made by code: it searches nothing by itself
  const std::vector<std::string> folders = {"/first/place", "second place"};
  std::ostringstream output;
  ListPlugins(nothing, folders, output);
  EXPECT_EQ(output.str(), "No plug-ins found. Searched:\n  /first/place\n  second place\n");
}

}  // namespace
