// TBitmap's BMP reading and writing: streams, the stored form, and files.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>
#include <vector>

#include "bmp_fixtures.h"
#include "image/analysis.h"
#include "image/bitmap.h"
#include "rtl/exception.h"
#include "rtl/file_stream.h"
#include "rtl/stream.h"

#ifndef _WIN32
#include <sys/resource.h>
#endif

namespace {

using bmp_fixtures::Colour;
using bmp_fixtures::Get16;
using bmp_fixtures::Get32;
using bmp_fixtures::Pattern;
using bmp_fixtures::TBmpFields;
using bmp_fixtures::TBytes;

constexpr char kInvalidBitmap[] = "ビットマップイメージが不正です";
constexpr char kReadError[] = "ストリームからの読み込みエラー";

void LoadBytes(TBitmap& bitmap, const TBytes& bytes) {
  TMemoryViewStream stream(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  bitmap.LoadFromStream(stream);
}

TBytes Stored(TBitmap& bitmap) {
  TMemoryStream stream;
  bitmap.StoreToStream(stream);
  return TBytes(stream.Memory(), stream.Memory() + stream.Size());
}

TBytes PixelMemory(TBitmap& bitmap) {
  const TRasterBitmap* section = bitmap.DIBSection();
  return TBytes(section->Bits(), section->Bits() + section->ImageSize());
}

const char* Name(TPixelLayout layout) {
  switch (layout) {
    case TPixelLayout::plDevice: return "plDevice";
    case TPixelLayout::pl1Bit: return "pl1Bit";
    case TPixelLayout::pl4Bit: return "pl4Bit";
    case TPixelLayout::pl8Bit: return "pl8Bit";
    case TPixelLayout::pl15Bit: return "pl15Bit";
    case TPixelLayout::pl16Bit: return "pl16Bit";
    case TPixelLayout::pl24Bit: return "pl24Bit";
    case TPixelLayout::pl32Bit: return "pl32Bit";
    case TPixelLayout::plCustom: return "plCustom";
  }
  return "?";
}

struct TChangeCounter {
  explicit TChangeCounter(TBitmap& bitmap) {
    bitmap.SetOnChange([this](TGraphic&) { ++Count; });
  }
  int Count = 0;
};

// ---- files that read and write back byte for byte

struct TRoundTripCase {
  const char* Name;
  TBmpFields Fields;
  TPixelLayout Layout;
};

void PrintTo(const TRoundTripCase& c, std::ostream* os) { *os << c.Name; }

// A file as our writer lays it out: explicit image size and colour count, offset right after
// the table.
TBmpFields Canonical(int width, int height, int bits, int colours = 0, std::uint32_t compression = 0,
                   std::vector<std::uint32_t> masks = {}) {
  TBmpFields s;
  s.Width = width;
  s.Height = height;
  s.BitCount = static_cast<std::uint32_t>(bits);
  s.Compression = compression;
  s.Masks = std::move(masks);
  s.ColoursUsed = static_cast<std::uint32_t>(colours);
  s.TableEntries = colours;
  s.TableReserved = 0;
  const std::int64_t rows = height < 0 ? -height : height;
  const std::size_t size = static_cast<std::size_t>(((width * bits + 31) / 32) * 4 * rows);
  s.SizeImage = static_cast<std::uint32_t>(size);
  s.Pixels = Pattern(size, width + bits);
  return s;
}

TBmpFields Core(int width, int height, int bits) {
  TBmpFields s = Canonical(width, height, bits);
  s.HeaderSize = 12;
  s.TableEntries = bits <= 8 ? 1 << bits : 0;
  return s;
}

std::vector<TRoundTripCase> RoundTripCases() {
  return {
      {"1 bit", Canonical(9, 3, 1, 2), TPixelLayout::pl1Bit},
      {"4 bits, 16 colours", Canonical(5, 2, 4, 16), TPixelLayout::pl4Bit},
      {"4 bits, 5 colours", Canonical(5, 2, 4, 5), TPixelLayout::pl4Bit},
      {"8 bits, 252 colours", Canonical(3, 3, 8, 252), TPixelLayout::pl8Bit},
      {"8 bits top-down", Canonical(3, -3, 8, 256), TPixelLayout::pl8Bit},
      {"15 bits", Canonical(3, 2, 16), TPixelLayout::pl15Bit},
      {"16 bits 5-6-5", Canonical(3, 2, 16, 0, 3, {0xF800, 0x07E0, 0x001F}),
       TPixelLayout::pl16Bit},
      {"16 bits with other masks", Canonical(3, 2, 16, 0, 3, {0x7C00, 0x03E0, 0x001F}),
       TPixelLayout::plCustom},
      {"24 bits, 3 x 2", Canonical(3, 2, 24), TPixelLayout::pl24Bit},
      {"24 bits with an optional table", Canonical(3, 2, 24, 3), TPixelLayout::pl24Bit},
      {"24 bits top-down", Canonical(5, -4, 24), TPixelLayout::pl24Bit},
      {"32 bits", Canonical(2, 2, 32), TPixelLayout::pl32Bit},
      {"32 bits with bit fields", Canonical(2, 2, 32, 0, 3, {0xFF0000, 0xFF00, 0xFF}),
       TPixelLayout::plCustom},
      {"core 1 bit", Core(9, 3, 1), TPixelLayout::pl1Bit},
      {"core 8 bits", Core(3, 2, 8), TPixelLayout::pl8Bit},
      {"core 24 bits", Core(3, 2, 24), TPixelLayout::pl24Bit},
  };
}

class BmpRoundTrip : public ::testing::TestWithParam<TRoundTripCase> {};

TEST_P(BmpRoundTrip, LoadsAndStoresTheSameBytes) {
  const TRoundTripCase& c = GetParam();
  const TBytes file = c.Fields.Bytes();
  TBitmap bitmap;
  LoadBytes(bitmap, file);
  EXPECT_EQ(Name(bitmap.PixelLayout()), std::string(Name(c.Layout)));
  EXPECT_EQ(bitmap.Width(), c.Fields.Width);
  EXPECT_EQ(bitmap.Height(), c.Fields.Height < 0 ? -c.Fields.Height : c.Fields.Height);
  EXPECT_EQ(bitmap.Image().FromCoreHeader(), c.Fields.HeaderSize == 12);
  const TBytes stored = Stored(bitmap);
  ASSERT_EQ(stored.size(), file.size());
  EXPECT_EQ(stored, file);
}

INSTANTIATE_TEST_SUITE_P(Layouts, BmpRoundTrip, ::testing::ValuesIn(RoundTripCases()));

TEST(BmpReading, CoreEightBitFileIsStoredWithItsFullTableAtOffset794) {
  TBmpFields fields = Core(4, 2, 8);
  TBitmap bitmap;
  LoadBytes(bitmap, fields.Bytes());
  const TBytes stored = Stored(bitmap);
  EXPECT_EQ(Get32(stored, 10), 794u);
  EXPECT_EQ(Get32(stored, 14), 12u);
  EXPECT_EQ(stored.size(), 794u + 8u);
}

// ---- what the reader makes of unusual files

TEST(BmpReading, PixelBytesStartRightAfterTheColourTable) {
  // The offset field points 4 bytes further: those 4 bytes are read as the first pixels.
  TBmpFields fields = Canonical(4, 1, 8, 2);
  fields.Gap = 4;
  fields.Offset = fields.PixelOffset();
  fields.Pixels = {1, 1, 1, 1};
  TBitmap bitmap;
  LoadBytes(bitmap, fields.Bytes());
  EXPECT_EQ(PixelMemory(bitmap), (TBytes{0xCC, 0xCC, 0xCC, 0xCC}));
}

TEST(BmpReading, AShortFileFillsOnlyWhatIsPresent) {
  TBmpFields fields = Canonical(4, 2, 24);
  fields.Pixels = Pattern(10, 1);
  TBitmap bitmap;
  LoadBytes(bitmap, fields.Bytes());
  TBytes expected = Pattern(10, 1);
  expected.resize(24, 0);
  EXPECT_EQ(PixelMemory(bitmap), expected);
}

TEST(BmpReading, AFourBitFileTakesTheColoursItCarries) {
  TBmpFields fields = Canonical(2, 1, 4, 5);
  fields.Pixels = {0x40, 0, 0, 0};
  TBitmap bitmap;
  LoadBytes(bitmap, fields.Bytes());
  bitmap.SetPixelLayout(TPixelLayout::pl24Bit);
  const std::uint8_t* row = bitmap.RowData(0);
  const TBytes first(row, row + 3);
  const std::uint32_t c4 = Colour(4);
  const std::uint32_t c0 = Colour(0);
  EXPECT_EQ(first, (TBytes{static_cast<std::uint8_t>(c4), static_cast<std::uint8_t>(c4 >> 8),
                           static_cast<std::uint8_t>(c4 >> 16)}));
  const TBytes second(row + 3, row + 6);
  EXPECT_EQ(second, (TBytes{static_cast<std::uint8_t>(c0), static_cast<std::uint8_t>(c0 >> 8),
                            static_cast<std::uint8_t>(c0 >> 16)}));
}

TEST(BmpReading, AnEmptyStreamGivesAnEmptyBitmapWithoutNotification) {
  TBitmap bitmap;
  LoadBytes(bitmap, Canonical(3, 2, 24).Bytes());
  TChangeCounter changes(bitmap);
  LoadBytes(bitmap, {});
  EXPECT_TRUE(bitmap.Empty());
  EXPECT_EQ(bitmap.Width(), 0);
  EXPECT_EQ(changes.Count, 0);
  EXPECT_TRUE(Stored(bitmap).empty());
}

TEST(BmpReading, ALoadNotifiesOnce) {
  TBitmap bitmap;
  TChangeCounter changes(bitmap);
  LoadBytes(bitmap, Canonical(3, 2, 8, 4).Bytes());
  EXPECT_EQ(changes.Count, 1);
  EXPECT_TRUE(bitmap.Modified());
}

TEST(BmpReading, ReadsFromTheStreamPosition) {
  TBytes bytes = {9, 9, 9};
  const TBytes file = Canonical(3, 2, 24).Bytes();
  bytes.insert(bytes.end(), file.begin(), file.end());
  TMemoryViewStream stream(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  stream.SetPosition(3);
  TBitmap bitmap;
  bitmap.LoadFromStream(stream);
  EXPECT_EQ(Stored(bitmap), file);
}

struct TBadFileCase {
  const char* Name;
  TBytes Bytes;
  const char* ErrorClass;
  const char* Message;
};

void PrintTo(const TBadFileCase& c, std::ostream* os) { *os << c.Name; }

TBytes Cut(TBytes bytes, std::size_t size) {
  bytes.resize(size);
  return bytes;
}

std::vector<TBadFileCase> BadFiles() {
  const auto with = [](auto change) {
    TBmpFields s = Canonical(3, 2, 24);
    change(s);
    return s.Bytes();
  };
  return {
      {"5 bytes", Cut(Canonical(3, 2, 24).Bytes(), 5), "EReadError", kReadError},
      {"another type", with([](TBmpFields& s) { s.Type = 0x5A4D; }), "EInvalidGraphic",
       kInvalidBitmap},
      {"planes 3", with([](TBmpFields& s) { s.Planes = 3; }), "EInvalidGraphic", kInvalidBitmap},
      {"the header is cut", Cut(Canonical(3, 2, 24).Bytes(), 30), "EInvalidGraphic",
       kInvalidBitmap},
      {"the table is cut", Cut(Canonical(3, 2, 8, 256).Bytes(), 54 + 100), "EReadError",
       kReadError},
      {"bit count 30", with([](TBmpFields& s) { s.BitCount = 30; }), "EInvalidGraphic",
       kInvalidBitmap},
      {"bit count 2", with([](TBmpFields& s) { s.BitCount = 2; s.TableEntries = 4; }),
       "EInvalidGraphic", kInvalidBitmap},
      {"embedded JPEG", with([](TBmpFields& s) { s.BitCount = 0; s.Compression = 4; }),
       "EInvalidGraphic", kInvalidBitmap},
      {"bit fields at 24 bits", with([](TBmpFields& s) { s.Compression = 3; }), "EInvalidGraphic",
       kInvalidBitmap},
      {"negative width", with([](TBmpFields& s) { s.Width = -3; }), "EInvalidGraphic",
       kInvalidBitmap},
      {"3 000 000 x 2 000 000 pixels", with([](TBmpFields& s) { s.Width = 3000000; s.Height = 2000000; }),
       "EInvalidGraphic", kInvalidBitmap},
      {"a colour table of 300 entries",
       with([](TBmpFields& s) { s.BitCount = 8; s.ColoursUsed = 300; s.TableEntries = 300; }),
       "EInvalidGraphic", kInvalidBitmap},
      {"top-down run-length",
       with([](TBmpFields& s) {
         s.BitCount = 8; s.Height = -2; s.Compression = 1; s.TableEntries = 256; s.ColoursUsed = 0;
         s.Pixels = {0, 1};
       }),
       "EInvalidGraphic", kInvalidBitmap},
  };
}

class BmpBadFile : public ::testing::TestWithParam<TBadFileCase> {};

TEST_P(BmpBadFile, FailsAndLeavesThePreviousPicture) {
  const TBadFileCase& c = GetParam();
  TBitmap bitmap;
  const TBytes before = Canonical(3, 2, 24).Bytes();
  LoadBytes(bitmap, before);
  TChangeCounter changes(bitmap);
  try {
    LoadBytes(bitmap, c.Bytes);
    FAIL() << "no failure";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.ClassName(), c.ErrorClass);
    EXPECT_EQ(e.Message(), c.Message);
  }
  EXPECT_EQ(changes.Count, 0);
  EXPECT_EQ(Stored(bitmap), before);
}

INSTANTIATE_TEST_SUITE_P(Files, BmpBadFile, ::testing::ValuesIn(BadFiles()));

// ---- run-length pictures

TEST(BmpRunLength, LoadsAsADevicePictureAndStoresAt32Bits) {
  // 3 x 2, bottom row first: a run of two of colour 1 and one literal of colour 2, then a
  // run of three of colour 0.
  TBmpFields fields = Canonical(3, 2, 8, 3, 1);
  fields.Table = {0x000000FF, 0x0000FF00, 0x00FF0000};
  fields.Pixels = {0x02, 0x01, 0x01, 0x02, 0x00, 0x00, 0x03, 0x00, 0x00, 0x01};
  fields.SizeImage = static_cast<std::uint32_t>(fields.Pixels.size());
  TBitmap bitmap;
  LoadBytes(bitmap, fields.Bytes());
  EXPECT_EQ(Name(bitmap.PixelLayout()), std::string("plDevice"));
  EXPECT_EQ(bitmap.Width(), 3);
  EXPECT_EQ(bitmap.Height(), 2);

  const TBytes stored = Stored(bitmap);
  ASSERT_GE(stored.size(), 54u);
  EXPECT_EQ(Get16(stored, 28), 32) << "bit count";
  EXPECT_EQ(Get32(stored, 30), 0u) << "uncompressed";
  const std::uint32_t colours = Get32(stored, 46);
  EXPECT_EQ(colours, 3u) << "the file's colours travel as an optional table";
  const std::size_t offset = Get32(stored, 10);
  ASSERT_EQ(offset, 54u + 4u * colours);
  const TBytes pixels(stored.begin() + static_cast<std::ptrdiff_t>(offset), stored.end());
  const TBytes expected = {0x00, 0xFF, 0x00, 0, 0x00, 0xFF, 0x00, 0, 0x00, 0x00, 0xFF, 0,
                           0xFF, 0x00, 0x00, 0, 0xFF, 0x00, 0x00, 0, 0xFF, 0x00, 0x00, 0};
  EXPECT_EQ(pixels, expected);
}

TEST(BmpRunLength, FourBitPicturesAndPixelsTheDataNeverReaches) {
  // 4 x 2, RLE4: bottom row "12" then end of line; top row one pixel of colour 3 then end of
  // bitmap. Unreached pixels are black.
  TBmpFields fields = Canonical(4, 2, 4, 4, 2);
  fields.Table = {0x000000, 0x0000FF, 0x00FF00, 0xFF0000};
  fields.Pixels = {0x02, 0x12, 0x00, 0x00, 0x01, 0x30, 0x00, 0x01};
  fields.SizeImage = static_cast<std::uint32_t>(fields.Pixels.size());
  TBitmap bitmap;
  LoadBytes(bitmap, fields.Bytes());
  bitmap.SetPixelLayout(TPixelLayout::pl24Bit);
  const std::uint8_t* top = bitmap.RowData(0);
  const std::uint8_t* bottom = bitmap.RowData(1);
  EXPECT_EQ(TBytes(top, top + 12), (TBytes{0, 0, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(TBytes(bottom, bottom + 12), (TBytes{0xFF, 0, 0, 0, 0xFF, 0, 0, 0, 0, 0, 0, 0}));
}

// ---- what the analysis stores

TEST(BmpWriting, TheAnalysedPictureOfAnEightBitSourceCarriesItsPalette) {
  TBitmap source;
  TBmpFields fields = Canonical(3, 2, 8, 256);
  LoadBytes(source, fields.Bytes());
  TBitmap result;
  result.Assign(&source);
  result.SetPixelLayout(TPixelLayout::pl24Bit);
  ApplyAnalysisCondition(result, 0);
  const TBytes stored = Stored(result);
  EXPECT_EQ(Get32(stored, 10), 1078u) << "offset";
  EXPECT_EQ(Get32(stored, 46), 256u) << "colours used";
  EXPECT_EQ(Get16(stored, 28), 24) << "bit count";
  EXPECT_EQ(Get32(stored, 2), 1078u + 24u) << "file size";
  EXPECT_EQ(stored.size(), 1078u + 24u);
  for (int i : {0, 1, 100, 255}) {
    const std::uint32_t c = Colour(i);
    const std::size_t at = 54 + 4 * static_cast<std::size_t>(i);
    EXPECT_EQ(TBytes(stored.begin() + at, stored.begin() + at + 4),
              (TBytes{static_cast<std::uint8_t>(c), static_cast<std::uint8_t>(c >> 8),
                      static_cast<std::uint8_t>(c >> 16), 0}))
        << "entry " << i;
  }
  // The source is untouched by the analysis and still stores as it was read.
  EXPECT_EQ(Stored(source), fields.Bytes());
}

TEST(BmpWriting, EmptyPicturesWriteNothing) {
  TBitmap empty;
  EXPECT_TRUE(Stored(empty).empty());
  TBitmap empty24;
  empty24.SetPixelLayout(TPixelLayout::pl24Bit);
  EXPECT_TRUE(Stored(empty24).empty());
}

// ---- the stored form

TEST(BmpStoredForm, CountThenBytesAndTheFollowingDataStaysInPlace) {
  TBitmap bitmap;
  const TBytes file = Canonical(3, 2, 8, 4).Bytes();
  LoadBytes(bitmap, file);
  TMemoryStream stream;
  bitmap.WriteData(stream);
  stream.WriteBuffer("tail", 4);
  ASSERT_EQ(stream.Size(), static_cast<std::int64_t>(4 + file.size() + 4));
  const TBytes written(stream.Memory(), stream.Memory() + stream.Size());
  EXPECT_EQ(Get32(written, 0), file.size());
  EXPECT_EQ(TBytes(written.begin() + 4, written.end() - 4), file);

  stream.SetPosition(0);
  TBitmap copy;
  copy.ReadData(stream);
  EXPECT_EQ(Stored(copy), file);
  char tail[4];
  stream.ReadBuffer(tail, 4);
  EXPECT_EQ(std::string(tail, 4), "tail");
}

TEST(BmpStoredForm, ACountOfZeroIsAnEmptyPicture) {
  TBitmap empty;
  TMemoryStream stream;
  empty.WriteData(stream);
  EXPECT_EQ(stream.Size(), 4);
  stream.WriteBuffer("x", 1);
  stream.SetPosition(0);
  TBitmap bitmap;
  LoadBytes(bitmap, Canonical(3, 2, 24).Bytes());
  bitmap.ReadData(stream);
  EXPECT_TRUE(bitmap.Empty());
  EXPECT_EQ(stream.Position(), 4);
}

TEST(BmpStoredForm, TheCountBoundsTheRead) {
  // The count covers the headers but only 5 pixel bytes; the rest of the stream is other data.
  const TBytes file = Canonical(3, 2, 24).Bytes();
  TMemoryStream stream;
  const std::uint32_t count = 54 + 5;
  stream.WriteBuffer(&count, 4);
  stream.WriteBuffer(file.data(), static_cast<std::int64_t>(file.size()));
  stream.SetPosition(0);
  TBitmap bitmap;
  bitmap.ReadData(stream);
  EXPECT_EQ(stream.Position(), 4 + 54 + 5);
  TBytes expected(file.begin() + 54, file.begin() + 59);
  expected.resize(24, 0);
  EXPECT_EQ(PixelMemory(bitmap), expected);
}

// ---- files

class BmpFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    Dir_ = std::filesystem::temp_directory_path() /
           ("ts_bmp_io_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
            "_" + info->name());
    std::filesystem::remove_all(Dir_);
    std::filesystem::create_directories(Dir_);
  }
  void TearDown() override { std::filesystem::remove_all(Dir_); }

  std::string Path(const std::string& leaf) const { return (Dir_ / leaf).string(); }
  static TBytes ReadFile(const std::string& path) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    return TBytes(std::istreambuf_iterator<char>(in), {});
  }
  static void WriteFile(const std::string& path, const TBytes& bytes) {
    std::ofstream out(std::filesystem::path(path), std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  // The names in the folder: a save leaves nothing but its target behind.
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(Dir_))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  std::filesystem::path Dir_;
};

TEST_F(BmpFiles, StoreCreatesAndReplacesAndLoadReadsBack) {
  TBitmap bitmap;
  const TBytes file = Canonical(5, 3, 24).Bytes();
  LoadBytes(bitmap, file);
  const std::string target = Path("result");  // no extension is added
  WriteFile(target, TBytes(5000, 0x11));
  bitmap.StoreToFile(target);
  EXPECT_EQ(ReadFile(target), file);
  EXPECT_EQ(Names(), std::vector<std::string>{"result"});

  TBitmap loaded;
  loaded.LoadFromFile(target);
  EXPECT_EQ(Stored(loaded), file);
}

TEST_F(BmpFiles, AnEmptyPictureMakesAnEmptyFile) {
  TBitmap empty;
  const std::string target = Path("empty.bmp");
  WriteFile(target, TBytes(100, 1));
  empty.StoreToFile(target);
  EXPECT_TRUE(std::filesystem::exists(target));
  EXPECT_EQ(std::filesystem::file_size(target), 0u);
}

TEST_F(BmpFiles, AFolderThatDoesNotExistFailsWithTheCreateMessage) {
  TBitmap bitmap;
  LoadBytes(bitmap, Canonical(3, 2, 24).Bytes());
  const std::string target = Path("missing") + "/x.bmp";
  try {
    bitmap.StoreToFile(target);
    FAIL() << "no failure";
  } catch (const EFCreateError& e) {
    EXPECT_EQ(e.Message(), "ファイル " + target + " を作成できません");
  }
  EXPECT_TRUE(Names().empty());
}

TEST_F(BmpFiles, AFileHeldOpenByAnotherIsNotReplaced) {
  TBitmap bitmap;
  LoadBytes(bitmap, Canonical(3, 2, 24).Bytes());
  const std::string target = Path("held.bmp");
  const TBytes old(77, 0x42);
  WriteFile(target, old);
  {
    TFileStream holder(target, fmOpenReadWrite | fmShareExclusive);
    try {
      bitmap.StoreToFile(target);
      FAIL() << "no failure";
    } catch (const EFCreateError& e) {
      EXPECT_EQ(e.Message(), "ファイル " + target + " を作成できません");
    }
  }
  EXPECT_EQ(ReadFile(target), old);
  EXPECT_EQ(Names(), std::vector<std::string>{"held.bmp"});
}

TEST_F(BmpFiles, AFolderInThePlaceOfTheFileIsNotReplaced) {
  TBitmap bitmap;
  LoadBytes(bitmap, Canonical(3, 2, 24).Bytes());
  const std::string target = Path("folder");
  std::filesystem::create_directory(target);
  EXPECT_THROW(bitmap.StoreToFile(target), EFCreateError);
  EXPECT_TRUE(std::filesystem::is_directory(target));
  EXPECT_EQ(Names(), std::vector<std::string>{"folder"});
}

#ifndef _WIN32
// A write that fails half-way (here: the process may not write files that large) leaves the
// old file as it was and no temporary file behind.
TEST_F(BmpFiles, AFailedWriteKeepsTheOldFile) {
  TBitmap bitmap;
  LoadBytes(bitmap, Canonical(64, 64, 24).Bytes());
  const std::string target = Path("kept.bmp");
  const TBytes old(100, 0x33);
  WriteFile(target, old);

  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 4096;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  bool failed = false;
  try {
    bitmap.StoreToFile(target);
  } catch (const EWriteError& e) {
    failed = true;
    EXPECT_EQ(e.Message(), "ストリームへの書き込みエラー");
  }
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previousHandler);

  EXPECT_TRUE(failed) << "a write past the size limit went through";
  EXPECT_EQ(ReadFile(target), old);
  EXPECT_EQ(Names(), std::vector<std::string>{"kept.bmp"});
}
#endif

TEST_F(BmpFiles, LoadingAMissingFileFailsWithTheOpenMessage) {
  TBitmap bitmap;
  const std::string name = Path("nothing.bmp");
  try {
    bitmap.LoadFromFile(name);
    FAIL() << "no failure";
  } catch (const EFOpenError& e) {
    EXPECT_EQ(e.Message(), "ファイル " + name + " は開けません");
  }
}

}  // namespace
