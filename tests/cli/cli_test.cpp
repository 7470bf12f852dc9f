// tintsight-cli run in-process: whole runs on generated pictures, and its failures.
#include "cli/cli.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "cli/batch.h"
#include "cli/input_reading.h"
#include "cli/picture_loader.h"
#include "cli/picture_output.h"
#include "cli/plugin_collection.h"
#include "cli/version.h"
#include "image/colour/analysis.h"
#include "image/colour/vision_model.h"
#include "image/bitmap.h"
#include "platform/error.h"
#include "plugins/local_spi_module.h"
#include "plugins/remote_spi_module.h"
#include "rtl/stream.h"

#ifndef _WIN32
#include <sys/resource.h>
#include <unistd.h>

#include <thread>
#endif

namespace {

using TBytes = std::vector<std::uint8_t>;

struct TRun {
  int Status;
  std::string Output;
  std::string Errors;
};

TRun RunCliWith(std::vector<std::string> arguments) {
  std::ostringstream output;
  std::ostringstream errors;
  const int status = RunCli(arguments, output, errors);
  return {status, output.str(), errors.str()};
}

TBytes ReadFile(const std::string& path) {
  std::ifstream in(std::filesystem::path(path), std::ios::binary);
  return TBytes(std::istreambuf_iterator<char>(in), {});
}

// A picture of `bits` per pixel with varied pixels (and a colour table of every index).
void MakePicture(TBitmap& bitmap, int width, int height, int bits) {
  TBitmapInfoHeader header{};
  header.biSize = 40;
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biBitCount = static_cast<std::uint16_t>(bits);
  std::vector<TRGBQuad> table;
  if (bits <= 8) {
    for (int i = 0; i < (1 << bits); ++i)
      table.push_back(TRGBQuad{static_cast<std::uint8_t>(i * 7), static_cast<std::uint8_t>(255 - i),
                               static_cast<std::uint8_t>(i * 3 + 1), 0});
  }
  TRasterBitmapPtr section = TRasterBitmap::CreateSection(header, nullptr, table);
  for (std::int64_t i = 0; i < section->ImageSize(); ++i)
    section->Bits()[i] = static_cast<std::uint8_t>((i * 37 + 11) % 256);
  bitmap.ImageLoaded(std::move(section), nullptr, false);
}

// What the library itself makes of `input` under `condition`: the window's analysis, stored.
TBytes LibraryResult(const std::string& input, int condition) {
  TBitmap source;
  source.LoadFromFile(input);
  TBitmap result;
  result.Assign(&source);
  result.SetPixelLayout(TPixelLayout::pl24Bit);
  ApplyAnalysisCondition(result, condition);
  TMemoryStream stream;
  result.StoreToStream(stream);
  return TBytes(stream.Memory(), stream.Memory() + stream.Size());
}

class CliRun : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    Dir_ = std::filesystem::temp_directory_path() /
           ("ts_cli_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
            info->name());
    std::filesystem::remove_all(Dir_);
    std::filesystem::create_directories(Dir_);
  }
  void TearDown() override { std::filesystem::remove_all(Dir_); }
  std::string Path(const std::string& leaf) const { return (Dir_ / leaf).string(); }

  std::filesystem::path Dir_;
};

TEST_F(CliRun, EveryConditionWritesWhatTheLibraryWrites) {
  struct TInput {
    int Bits;
    int Width;
  };
  for (const TInput input : {TInput{24, 7}, TInput{8, 5}, TInput{4, 3}, TInput{32, 2}}) {
    TBitmap picture;
    MakePicture(picture, input.Width, 3, input.Bits);
    const std::string in = Path("in" + std::to_string(input.Bits) + ".bmp");
    picture.StoreToFile(in);
    for (int condition = 0; condition < kAnalysisConditionCount; ++condition) {
      const std::string out = Path("out.bmp");
      const TRun run = RunCliWith({"-c", std::to_string(condition), in, out});
      ASSERT_EQ(run.Status, 0) << run.Errors;
      EXPECT_EQ(run.Errors, "");
      EXPECT_EQ(ReadFile(out), LibraryResult(in, condition))
          << input.Bits << " bits, condition " << condition;
    }
  }
}

// The rows of a picture in 24 bits, top first.
std::vector<TBytes> Rows24(TBitmap& bitmap) {
  bitmap.SetPixelLayout(TPixelLayout::pl24Bit);
  std::vector<TBytes> rows;
  for (int y = 0; y < bitmap.Height(); ++y) {
    rows.emplace_back(bitmap.RowData(y), bitmap.RowData(y) + 3 * bitmap.Width());
  }
  return rows;
}

TEST_F(CliRun, PngHoldsThePixelsOfTheBmpForEveryInputLayoutAndOperation) {
  struct TInput {
    int Bits, Width, Height;  // a negative height: rows top-down
  };
  // A contrast-loss map takes the row road to a BMP and the whole-picture road to a PNG: the same
  // pixels and the same line of figures either way.
  const std::vector<std::vector<std::string>> operations = {
      {"-c", "4"},
      {"--simulate", "deuteranomaly", "--severity", "0.35"},
      {"--sheet"},
      {"--daltonize", "tritanomaly", "--severity", "0.35"},
      {"--contrast-loss", "--threshold", "4,3", "--simulate", "protanopia"},
      {"--sheet", "--contrast-loss"}};
  std::vector<std::string> stems;
  for (const TInput input :
       {TInput{24, 7, 3}, {24, 5, -3}, {32, 2, 3}, {16, 3, 2}, {8, 5, 3}, {4, 3, 3}, {1, 9, 2}}) {
    TBitmap picture;
    MakePicture(picture, input.Width, input.Height, input.Bits);
    const std::string in = Path("in" + std::to_string(stems.size()) + ".bmp");
    picture.StoreToFile(in);
    for (std::size_t o = 0; o < operations.size(); ++o) {
      const std::string stem = Path("out" + std::to_string(stems.size()));
      stems.push_back(stem);
      std::vector<std::string> printed;
      for (const char* extension : {".bmp", ".PNG"}) {
        std::vector<std::string> arguments = operations[o];
        arguments.insert(arguments.end(), {in, stem + extension});
        const TRun run = RunCliWith(arguments);
        ASSERT_EQ(run.Status, 0) << run.Errors;
        printed.push_back(run.Output);
      }
      EXPECT_EQ(printed[0], printed[1]) << input.Bits << " bits, operation " << o;
      const bool map = operations[o][0] == "--contrast-loss";
      const bool maps = operations[o].back() == "--contrast-loss";
      EXPECT_EQ(std::count(printed[0].begin(), printed[0].end(), '\n'), map ? 1 : maps ? 10 : 0);
      if (map) {
        EXPECT_TRUE(printed[0].starts_with(in + ": protanopia: ") &&
                    printed[0].find("% of visible boundaries lost (") != std::string::npos)
            << printed[0];
      }
      if (o == 1) {
        auto source = std::make_unique<TBitmap>();
        source->LoadFromFile(in);
        TMemoryStream expected;
        AnalysePicture(std::move(source), VisionModelOperation(TVisionType::vtDeuteranomaly, 0.35))
            ->StoreToStream(expected);
        EXPECT_EQ(ReadFile(stem + ".bmp"),
                  TBytes(expected.Memory(), expected.Memory() + expected.Size()))
            << input.Bits << " bits";
      }
    }
  }
  // Read back by our PNG plug-in (found beside the test program), once no run holds the plug-ins.
  const std::unique_ptr<TSPIs> plugins = OpenPluginCollection({});
  const TPictureLoader loader;
  for (const std::string& stem : stems) {
    TBitmap bmp;
    bmp.LoadFromFile(stem + ".bmp");
    EXPECT_EQ(Rows24(*loader.Load(stem + ".PNG")), Rows24(bmp)) << stem;
  }
}

TEST_F(CliRun, AFailedPngSaveKeepsTheOldFile) {
  const std::string out = Path("old.png");
  {
    std::ofstream old(std::filesystem::path(out), std::ios::binary);
    old << "the old file";
  }
  TBitmap empty;
  EXPECT_THROW(StorePicture(empty, out), EInvalidGraphic);
  EXPECT_EQ(ReadFile(out), TBytes({'t', 'h', 'e', ' ', 'o', 'l', 'd', ' ', 'f', 'i', 'l', 'e'}));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Dir_), {}), 1);
}

TEST_F(CliRun, OnePixelUnderEachCondition) {
  // Red 200, green 101, blue 50: the worked example of the conditions, checked on the file.
  TBitmap picture;
  MakePicture(picture, 1, 1, 24);
  std::uint8_t* pixel = picture.RowData(0);
  pixel[0] = 50, pixel[1] = 101, pixel[2] = 200;
  const std::string in = Path("pixel.bmp");
  picture.StoreToFile(in);
  const TBytes expected[] = {{50, 101, 0}, {50, 0, 200},   {0, 101, 200},
                             {50, 101, 75}, {50, 125, 200}, {150, 101, 200}};
  for (int condition = 0; condition < 6; ++condition) {
    const std::string out = Path("pixel-out.bmp");
    ASSERT_EQ(RunCliWith({"-c" + std::to_string(condition), in, out}).Status, 0);
    const TBytes file = ReadFile(out);
    ASSERT_EQ(file.size(), 58u);
    EXPECT_EQ(TBytes(file.begin() + 54, file.begin() + 57), expected[condition])
        << "condition " << condition;
  }
}

TEST_F(CliRun, TheDefaultConditionIsZero) {
  TBitmap picture;
  MakePicture(picture, 4, 2, 24);
  const std::string in = Path("in.bmp");
  picture.StoreToFile(in);
  ASSERT_EQ(RunCliWith({in, Path("out.bmp")}).Status, 0);
  EXPECT_EQ(ReadFile(Path("out.bmp")), LibraryResult(in, 0));
}

TEST_F(CliRun, TheInputIsNeverChanged) {
  TBitmap picture;
  MakePicture(picture, 4, 2, 24);
  const std::string in = Path("in.bmp");
  picture.StoreToFile(in);
  const TBytes before = ReadFile(in);
  ASSERT_EQ(RunCliWith({"-c", "3", in, Path("out.bmp")}).Status, 0);
  EXPECT_EQ(ReadFile(in), before);
}

TEST_F(CliRun, TheSingleFormMayReplaceItsOwnInput) {
  TBitmap picture;
  MakePicture(picture, 5, 3, 8);
  const std::string in = Path("in.bmp");
  picture.StoreToFile(in);
  const TBytes expected = LibraryResult(in, 3);
  ASSERT_EQ(RunCliWith({"-c", "3", in, in}).Status, 0);
  EXPECT_EQ(ReadFile(in), expected) << "read whole before it was replaced";
}

#ifndef _WIN32
TEST_F(CliRun, AWriteFailingMidwayKeepsTheOldOutputAndLeavesNoTemporaryFile) {
  struct TCase {
    int Bits;
    const char* Extension;
  };
  // Streamed as it stands, converted, and compressed on several threads (cut at half its size).
  for (const auto [bits, extension] : {TCase{24, ".bmp"}, {8, ".bmp"}, {24, ".png"}}) {
    TBitmap picture;
    MakePicture(picture, 1000, 800, bits);  // several blocks of rows
    const std::string in = Path("big.bmp");
    picture.StoreToFile(in);
    const std::string out = Path(std::string("kept") + extension);
    ASSERT_EQ(RunCliWith({in, out}).Status, 0);
    const auto limit = std::min<std::uintmax_t>(std::filesystem::file_size(out) / 2, 1 << 20);
    std::ofstream(std::filesystem::path(out), std::ios::binary).write("333", 3);
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = limit;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const TRun run = RunCliWith({in, out});
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_EQ(run.Status, 1) << bits;
    EXPECT_EQ(run.Errors, "tintsight-cli: ストリームへの書き込みエラー: " + out + ": " +
                              platform::SystemErrorMessage(EFBIG) + "\n")
        << bits;
    EXPECT_EQ(ReadFile(out), TBytes(3, '3')) << bits;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Dir_), {}), 2) << bits;
    std::filesystem::remove(out);
  }
}
#endif

struct TFailureCase {
  const char* Name;
  std::vector<std::string> Arguments;  // "@" stands for the test's folder
  int Status;
  std::string ErrorStart;  // the first line on the error stream
};

TEST_F(CliRun, FailuresReportOneLineAndTheirExitStatus) {
  TBitmap picture;
  MakePicture(picture, 2, 2, 24);
  picture.StoreToFile(Path("good.bmp"));
  {
    std::ofstream text(std::filesystem::path(Path("text.bmp")), std::ios::binary);
    text << "not a picture at all";
    std::ofstream(std::filesystem::path(Path("empty.bmp")), std::ios::binary);
    std::ofstream(std::filesystem::path(Path("cut.bmp")), std::ios::binary) << "BM cut";
  }
  // Longer than any picture, without taking the disk: it is refused before a byte is read.
  std::ofstream(std::filesystem::path(Path("huge.png")), std::ios::binary) << "x";
  std::filesystem::resize_file(Path("huge.png"), std::uint64_t{3} << 30);
  std::filesystem::create_directory(Path("same"));
  picture.StoreToFile(Path("same/in.bmp"));
  const std::string folder = Dir_.string();
#ifdef _WIN32
  const std::string missingFolder = platform::SystemErrorMessage(3);  // ERROR_PATH_NOT_FOUND
  const std::string missingFile = platform::SystemErrorMessage(2);    // ERROR_FILE_NOT_FOUND
  const std::string aFolder = platform::SystemErrorMessage(5);        // ERROR_ACCESS_DENIED
#else
  const std::string missingFolder = platform::SystemErrorMessage(ENOENT);
  const std::string missingFile = missingFolder;
  const std::string aFolder = platform::SystemErrorMessage(EISDIR);
#endif
  const TFailureCase cases[] = {
      {"no arguments", {}, 2,
       "tintsight-cli: an input and an output file are needed (tintsight-cli --help shows the "
       "usage)"},
      {"a bad condition", {"-c", "9", "@/good.bmp", "@/o.bmp"}, 2,
       "tintsight-cli: the condition must be a number from 0 to 5, not \"9\" (tintsight-cli "
       "--help shows the usage)"},
      {"a missing plug-in folder", {"--plugin-dir", "@/none", "@/good.bmp", "@/o.bmp"}, 2,
       "tintsight-cli: the plug-in folder \"@/none\" does not exist (tintsight-cli --help "
       "shows the usage)"},
      {"a missing output folder", {"-o", "@/none", "@/good.bmp"}, 2,
       "tintsight-cli: the output folder \"@/none\" does not exist (tintsight-cli --help shows "
       "the usage)"},
      {"a plug-in folder that is a file", {"--plugin-dir", "@/good.bmp", "@/good.bmp", "@/o.bmp"},
       2,
       "tintsight-cli: \"@/good.bmp\" given with --plugin-dir is not a folder (tintsight-cli "
       "--help shows the usage)"},
      {"an output folder that is a file", {"-o", "@/text.bmp", "@/good.bmp", "@/cut.bmp"}, 2,
       "tintsight-cli: \"@/text.bmp\" given with -o is not a folder (tintsight-cli --help shows "
       "the usage)"},
      {"a missing input", {"@/none.bmp", "@/o.bmp"}, 1,
       "tintsight-cli: ファイル @/none.bmp は開けません: " + missingFile},
      {"a folder as input", {"@/same", "@/o.bmp"}, 1,
       "tintsight-cli: ファイル @/same は開けません: " + aFolder},
      {"an input that nothing reads", {"@/text.bmp", "@/o.bmp"}, 1,
       "tintsight-cli: 認識できない画像形式です: tsimage.spi refused"},
      {"a cut BMP file", {"@/cut.bmp", "@/o.bmp"}, 1,
       "tintsight-cli: 認識できない画像形式です: BMP reader: ストリームからの読み込みエラー"},
      {"an empty input", {"@/empty.bmp", "@/o.bmp"}, 1,
       "tintsight-cli: 認識できない画像形式です: the input is empty"},
      {"an input longer than any picture", {"@/huge.png", "@/o.bmp"}, 1,
       "tintsight-cli: 認識できない画像形式です: the input is 3221225472 bytes long; no picture "
       "is longer than 2147484821 bytes"},
      {"an output in a missing folder", {"@/good.bmp", "@/no/o.bmp"}, 1,
       "tintsight-cli: ファイル @/no/o.bmp を作成できません: " + missingFolder},
      {"a batch output that is its input by another path", {"-o", "@/same", "same/in.bmp"}, 2,
       "tintsight-cli: \"same/in.bmp\" would be overwritten by its own result (tintsight-cli "
       "--help shows the usage)"},
#ifndef _WIN32
      {"a device with nothing in it", {"/dev/null", "@/o.bmp"}, 1,
       "tintsight-cli: 認識できない画像形式です: the input is empty"},
      {"a full device", {"@/good.bmp", "/dev/full"}, 1,
       "tintsight-cli: ストリームへの書き込みエラー: /dev/full: " + platform::SystemErrorMessage(ENOSPC)},
#endif
  };
  const auto expand = [&folder](std::string text) {
    for (std::size_t at = text.find('@'); at != std::string::npos; at = text.find('@', at + 1)) {
      text.replace(at, 1, folder);
      at += folder.size() - 1;
    }
    return text;
  };
  // Relative names are read in the test's folder.
  const std::filesystem::path workingFolder = std::filesystem::current_path();
  std::filesystem::current_path(Dir_);
  for (const TFailureCase& c : cases) {
    std::vector<std::string> arguments;
    for (const std::string& a : c.Arguments) arguments.push_back(expand(a));
    const TRun run = RunCliWith(arguments);
    EXPECT_EQ(run.Status, c.Status) << c.Name;
    EXPECT_EQ(run.Errors.substr(0, run.Errors.find('\n')), expand(c.ErrorStart)) << c.Name;
    EXPECT_EQ(run.Output, "") << c.Name;
    EXPECT_EQ(std::count(run.Errors.begin(), run.Errors.end(), '\n'), 1) << c.Name;
  }
  std::filesystem::current_path(workingFolder);
  EXPECT_FALSE(std::filesystem::exists(Path("o.bmp")));
  EXPECT_EQ(ReadFile(Path("same/in.bmp")), ReadFile(Path("good.bmp"))) << "the refused input";
}

// The whole-picture road holds every byte of its input, whatever another program does to the
// file afterwards: cut to 10 bytes once it is read, it is still read whole (the pages of a
// mapping that are gone would end the process with a fault). A picture above 1 MiB, with
// plug-ins in the helper, is read into the memory the helper is handed, and held the same.
TEST_F(CliRun, AnInputCutAfterItWasOpenedIsStillReadWhole) {
  SetSpiModuleOpener(&TRemoteSpiModule::Open);
  for (const int width : {300, 800}) {
    TBitmap picture;
    MakePicture(picture, width, width * 2 / 3, 24);
    picture.StoreToFile(Path("cut.bmp"));
    const TBytes before = ReadFile(Path("cut.bmp"));
    const std::unique_ptr<TCustomMemoryStream> input = ReadInput(Path("cut.bmp"));
    std::filesystem::resize_file(Path("cut.bmp"), 10);
    ASSERT_EQ(input->Size(), static_cast<std::int64_t>(before.size())) << width;
    EXPECT_TRUE(TBytes(input->Memory(), input->Memory() + input->Size()) == before) << width;
  }
  SetSpiModuleOpener(&TLocalSpiModule::Open);
}

#ifndef _WIN32
// Data that nothing can read is refused from its first bytes: 256 MiB of zeros on a pipe are
// neither read to their end nor held before the refusal.
TEST_F(CliRun, StandardInputThatNothingReadsIsRefusedFromItsFirstBytes) {
  int ends[2];
  ASSERT_EQ(::pipe(ends), 0);
  const int savedInput = ::dup(STDIN_FILENO);
  ASSERT_EQ(::dup2(ends[0], STDIN_FILENO), STDIN_FILENO);
  ::close(ends[0]);
  const auto previousHandler = std::signal(SIGPIPE, SIG_IGN);
  constexpr std::int64_t kOffered = std::int64_t{256} << 20;
  std::int64_t written = 0;
  std::thread writer([&] {
    const std::vector<char> zeros(1 << 16, 0);
    for (ssize_t n = 0; written < kOffered && n >= 0; written += n) {
      n = ::write(ends[1], zeros.data(), zeros.size());
    }
    ::close(ends[1]);
  });
  const TRun run = RunCliWith({"-", Path("o.bmp")});
  // With standard input back, the pipe has no reader left and the writer stops.
  ::dup2(savedInput, STDIN_FILENO);
  ::close(savedInput);
  writer.join();
  std::signal(SIGPIPE, previousHandler);
  EXPECT_EQ(run.Status, 1);
  EXPECT_EQ(run.Errors, "tintsight-cli: 認識できない画像形式です: tsimage.spi refused\n");
  EXPECT_LT(written, std::int64_t{1} << 20) << "bytes taken from the pipe";
}
#endif

TEST_F(CliRun, HelpPrintsTheUsageAndDoesNothingElse) {
  const TRun run = RunCliWith({"--help"});
  EXPECT_EQ(run.Status, 0);
  EXPECT_EQ(run.Output.rfind("usage: tintsight-cli [-c N] [--plugin-dir DIR]... INPUT OUTPUT\n", 0), 0u)
      << run.Output;
  EXPECT_EQ(run.Errors, "");
  const TRun version = RunCliWith({"--version"});
  EXPECT_EQ(version.Status, 0);
  EXPECT_EQ(version.Output, "tintsight-cli " + std::string(VersionText()) + "\n");
  EXPECT_TRUE(version.Output.starts_with("tintsight-cli " TS_PROJECT_VERSION)) << version.Output;
  EXPECT_EQ(version.Errors, "");
}

TEST(CliBatch, PicturesSharedElsewhereNeverChange) {
  auto source = std::make_unique<TBitmap>();
  MakePicture(*source, 3, 2, 24);
  TBitmap keeper;
  keeper.Assign(source.get());
  TMemoryStream before;
  keeper.StoreToStream(before);
  const std::unique_ptr<TBitmap> result = AnalysePicture(std::move(source), 5);
  TMemoryStream after;
  keeper.StoreToStream(after);
  ASSERT_EQ(before.Size(), after.Size());
  EXPECT_EQ(std::memcmp(before.Memory(), after.Memory(), static_cast<std::size_t>(before.Size())), 0);
  EXPECT_EQ(result->PixelLayout(), TPixelLayout::pl24Bit);
}

TEST(CliBatch, AGivenUpTwentyFourBitPictureIsRewrittenWithoutACopy) {
  auto source = std::make_unique<TBitmap>();
  MakePicture(*source, 3, 2, 24);
  const std::uint8_t* pixels = source->Image().SectionHandle()->Bits();
  const std::int64_t made = TRasterBitmap::MadeCount();
  const std::unique_ptr<TBitmap> result = AnalysePicture(std::move(source), 0);
  EXPECT_EQ(TRasterBitmap::MadeCount(), made) << "bitmaps made during the analysis";
  EXPECT_EQ(result->Image().SectionHandle()->Bits(), pixels);
  EXPECT_EQ(result->RowData(0)[2], 0) << "red of the top-left pixel";
}

}  // namespace
