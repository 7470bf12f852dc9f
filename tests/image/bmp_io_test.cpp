// TBitmap's BMP reading and writing: streams, the stored form, and files.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "image/bitmap.h"
#include "image/bmp/bmp_stream_analysis.h"
#include "image/colour/analysis.h"
#include "image_fixtures.h"
#include "rtl/exception.h"
#include "rtl/file_stream.h"
#include "rtl/stream.h"

#ifndef _WIN32
#include <sys/resource.h>
#endif

namespace {

using namespace image_fixtures;

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

// A file as our writer lays it out: explicit image size and colour count, offset right after
// the table.
TBmpFields Canonical(int width, int height, int bits, int colours = 0,
                     std::uint32_t compression = 0, std::vector<std::uint32_t> masks = {}) {
  const auto size = static_cast<std::size_t>((width * bits + 31) / 32 * 4 * std::abs(height));
  return {.Width = width, .Height = height, .BitCount = static_cast<std::uint32_t>(bits),
          .Compression = compression, .SizeImage = static_cast<std::uint32_t>(size),
          .ColoursUsed = static_cast<std::uint32_t>(colours), .Masks = std::move(masks),
          .TableEntries = colours, .TableReserved = 0, .Pixels = Pattern(size, width + bits)};
}

TBmpFields Core(int width, int height, int bits) {
  TBmpFields s = Canonical(width, height, bits);
  s.HeaderSize = 12;
  s.TableEntries = bits <= 8 ? 1 << bits : 0;
  return s;
}

// Both roads of the analysis write the same bytes under every condition.
void ExpectBothRoadsAgree(const TBytes& file, const std::string& name) {
  for (int condition = 0; condition < kAnalysisConditionCount; ++condition) {
    const std::optional<TBytes> whole = AnalysedWhole(file, condition);
    const std::optional<TBytes> rows = AnalysedByRows(file, condition);
    ASSERT_TRUE(whole && rows) << name << ": " << (whole ? "the row road refused it" : "unreadable");
    const auto differs = std::mismatch(rows->begin(), rows->end(), whole->begin(), whole->end());
    EXPECT_EQ(differs.first - rows->begin(), static_cast<std::ptrdiff_t>(whole->size()))
        << name << ", condition " << condition << ": where the row road's "
        << rows->size() << " bytes first differ";
  }
}

TEST(BmpReading, FilesOfEveryLayoutLoadAndStoreTheSameBytes) {
  struct Case {
    const char* name;
    TBmpFields fields;
    TPixelLayout layout;
  };
  const Case cases[] = {
      {"1 bit", Canonical(9, 3, 1, 2), TPixelLayout::pl1Bit},
      {"4 bits, 16 colours", Canonical(5, 2, 4, 16), TPixelLayout::pl4Bit},
      {"4 bits, 5 colours", Canonical(5, 2, 4, 5), TPixelLayout::pl4Bit},
      {"8 bits, 252 colours", Canonical(3, 3, 8, 252), TPixelLayout::pl8Bit},
      {"8 bits top-down", Canonical(3, -3, 8, 256), TPixelLayout::pl8Bit},
      {"15 bits", Canonical(3, 2, 16), TPixelLayout::pl15Bit},
      {"16 bits 5-6-5", Canonical(3, 2, 16, 0, 3, {0xF800, 0x07E0, 0x001F}), TPixelLayout::pl16Bit},
      {"16 bits, green 0x07E0", Canonical(3, 2, 16, 0, 3, {0x0F00, 0x07E0, 0x000F}),
       TPixelLayout::pl16Bit},
      {"16 bits with other masks", Canonical(3, 2, 16, 0, 3, {0x7C00, 0x03E0, 0x001F}),
       TPixelLayout::plCustom},
      {"24 bits, 3 x 2: 78 bytes", Canonical(3, 2, 24), TPixelLayout::pl24Bit},
      {"24 bits with an optional table", Canonical(3, 2, 24, 3), TPixelLayout::pl24Bit},
      {"24 bits top-down", Canonical(5, -4, 24), TPixelLayout::pl24Bit},
      {"32 bits", Canonical(2, 2, 32), TPixelLayout::pl32Bit},
      {"32 bits with bit fields", Canonical(2, 2, 32, 0, 3, {0xFF0000, 0xFF00, 0xFF}),
       TPixelLayout::plCustom},
      {"core 1 bit", Core(9, 3, 1), TPixelLayout::pl1Bit},
      {"core 8 bits: the full table, pixels at 794", Core(3, 2, 8), TPixelLayout::pl8Bit},
      {"core 24 bits", Core(3, 2, 24), TPixelLayout::pl24Bit},
  };
  for (const Case& c : cases) {
    const TBytes file = c.fields.Bytes();
    TBitmap bitmap;
    TChangeCounter changes(bitmap);
    LoadBytes(bitmap, file);
    EXPECT_EQ(changes.Count, 1) << c.name;
    EXPECT_EQ(bitmap.PixelLayout(), c.layout) << c.name;
    EXPECT_EQ(bitmap.Width(), c.fields.Width) << c.name;
    EXPECT_EQ(bitmap.Height(), std::abs(c.fields.Height)) << c.name;
    EXPECT_EQ(bitmap.Image().FromCoreHeader(), c.fields.HeaderSize == 12) << c.name;
    EXPECT_EQ(Hex(Stored(bitmap)), Hex(file)) << c.name;
    ExpectBothRoadsAgree(file, c.name);
  }
}

TEST(BmpAnalysis, BothRoadsAgreeOnUnusualFiles) {
  const auto cut = [](TBmpFields f, std::size_t length) { f.Length = length; return f; };
  const auto sized = [](TBmpFields f, std::uint32_t size) { f.SizeImage = size; return f; };
  const auto withTable = [](TBmpFields f, int colours) {
    f.ColoursUsed = static_cast<std::uint32_t>(colours);
    f.TableEntries = colours;
    return f;
  };
  const std::pair<const char*, TBmpFields> cases[] = {
      {"24 bits cut inside a row", cut(Canonical(5, 4, 24), 54 + 20)},
      {"8 bits top-down cut inside its rows", cut(Canonical(7, -5, 8, 256), 54 + 1024 + 9)},
      {"image size 2 bytes past the rows", sized(Canonical(3, 3, 24), 38)},
      {"image size 2 bytes past the rows, 8 bits", sized(Canonical(3, 3, 8, 4), 14)},
      {"image size smaller than the rows", sized(Canonical(3, 3, 16), 7)},
      {"image size 0", sized(Canonical(6, -2, 4, 16), 0)},
      {"16 bits top-down", Canonical(5, -3, 16)},
      {"32 bits top-down with bit fields", Canonical(2, -2, 32, 0, 3, {0xFF, 0xFF00, 0xFF0000})},
      {"16 bits with bit fields but no red mask", Canonical(3, 2, 16, 0, 3, {0, 0x3E0, 0x1F})},
      {"32 bits with an optional table", withTable(Canonical(2, 2, 32), 7)},
      {"1 bit, one colour in the table", Canonical(9, -3, 1, 1)},
      {"core 4 bits", Core(5, 3, 4)},
      {"8 bits top-down over several blocks", Canonical(1100, -1000, 8, 256)},
      {"24 bits over several blocks", Canonical(700, 700, 24)},
  };
  for (const auto& [name, fields] : cases) ExpectBothRoadsAgree(fields.Bytes(), name);

  // A 1-bit picture that loads but whose 24-bit form no bitmap may hold: the change of depth
  // refuses it on the whole road, so the row road must not take it.
  TBmpPrologue tooWide;
  tooWide.Header = InfoHeader(200'000'000, 4, 1);
  EXPECT_FALSE(RowRoadTakes(tooWide));
  tooWide.Header.biHeight = -3;
  EXPECT_TRUE(RowRoadTakes(tooWide)) << "1.8 GB in 24 bits still fits";
}

TEST(BmpReading, PixelBytesAreTakenFromWhereTheyStand) {
  // Rows start at the offset field where it points at or past the end of the table and leaves
  // room for them; otherwise right after the table. Each file reads as `same` does.
  const auto gap = [](TBmpFields f, int bytes) { f.Gap = bytes; return f; };
  const auto at = [](TBmpFields f, std::uint32_t offset) { f.Offset = offset; return f; };
  const auto pixels = [](TBmpFields f, TBytes bytes) { f.Pixels = std::move(bytes); return f; };
  const auto shortBy = [](TBmpFields f, std::size_t less) {
    f.Length = f.Bytes().size() - less;
    return f;
  };
  TBmpFields fullTable = Canonical(4, 2, 8, 16);
  fullTable.TableEntries = 256;
  TBmpFields runLength = Canonical(3, 2, 8, 3, 1);
  runLength.Pixels = {0x02, 0x01, 0x01, 0x02, 0x00, 0x00, 0x02, 0x00, 0x00, 0x01};
  runLength.SizeImage = static_cast<std::uint32_t>(runLength.Pixels.size());
  const TBytes four = {1, 2, 3, 4};
  const TBytes cc = {0xCC, 0xCC, 0xCC, 0xCC};
  const TBmpFields masked = Canonical(3, 2, 16, 0, 3, {0xF800, 0x07E0, 0x001F});
  const struct {
    const char* name;
    TBmpFields file, same;
  } cases[] = {
      {"a full table behind a colour count of 16", fullTable, Canonical(4, 2, 8, 16)},
      {"4 bytes after the bit-field masks", gap(masked, 4), masked},
      {"3 bytes before 24-bit rows", gap(Canonical(3, 2, 24), 3), Canonical(3, 2, 24)},
      {"a core header, 6 bytes before the rows", gap(Core(3, 2, 8), 6), Core(3, 2, 8)},
      {"a gap before run-length data", gap(runLength, 5), runLength},
      {"rows that just fit", pixels(gap(Canonical(4, 1, 8, 2), 4), four),
       pixels(Canonical(4, 1, 8, 2), four)},
      {"an offset past the end of the file", at(pixels(gap(Canonical(4, 1, 8, 2), 4), four), 5000),
       pixels(Canonical(4, 1, 8, 2), cc)},
      {"an offset leaving no room for the rows",
       shortBy(pixels(gap(Canonical(4, 1, 8, 2), 4), four), 1), pixels(Canonical(4, 1, 8, 2), cc)},
      {"an offset inside the colour table", at(pixels(Canonical(4, 1, 8, 2), four), 58),
       pixels(Canonical(4, 1, 8, 2), four)},
  };
  TBitmap bitmap;
  for (const auto& c : cases) {
    const TBytes file = c.file.Bytes();
    LoadBytes(bitmap, file);
    const TBytes read = Stored(bitmap);
    LoadBytes(bitmap, c.same.Bytes());
    EXPECT_EQ(Hex(read), Hex(Stored(bitmap))) << c.name;
    if (c.file.Compression != 1) ExpectBothRoadsAgree(file, c.name);
  }

  TBmpFields cut = Canonical(4, 2, 24);
  cut.Pixels = Pattern(10, 1);
  LoadBytes(bitmap, cut.Bytes());
  TBytes expected = Pattern(10, 1);
  expected.resize(24, 0);
  EXPECT_EQ(Memory(bitmap), expected) << "a short file fills only what is present";

  TBytes inside = {9, 9, 9};
  const TBytes file = Canonical(3, 2, 24).Bytes();
  inside.insert(inside.end(), file.begin(), file.end());
  TMemoryViewStream stream(inside.data(), static_cast<std::int64_t>(inside.size()));
  stream.SetPosition(3);
  bitmap.LoadFromStream(stream);
  EXPECT_EQ(Stored(bitmap), file) << "reading starts at the stream's position";
}

TEST(BmpReading, NoBytesMeanAnEmptyPictureThatStoresNothing) {
  TBitmap bitmap;
  LoadBytes(bitmap, Canonical(3, 2, 24).Bytes());
  TChangeCounter changes(bitmap);
  LoadBytes(bitmap, {});
  EXPECT_TRUE(bitmap.Empty());
  EXPECT_EQ(changes.Count, 0);
  EXPECT_TRUE(Stored(bitmap).empty());
  TBitmap empty24;
  empty24.SetPixelLayout(TPixelLayout::pl24Bit);
  EXPECT_TRUE(Stored(empty24).empty());

  // The stored form of an empty picture is a count of 0, read back as an empty picture.
  TMemoryStream stream;
  empty24.WriteData(stream);
  EXPECT_EQ(stream.Size(), 4);
  stream.WriteBuffer("x", 1);
  stream.SetPosition(0);
  LoadBytes(bitmap, Canonical(3, 2, 24).Bytes());
  bitmap.ReadData(stream);
  EXPECT_TRUE(bitmap.Empty());
  EXPECT_EQ(stream.Position(), 4);
}

// A failed load keeps the previous picture and notifies nobody: the failures found in front of
// the pixels, and those of a header no bitmap can be made from.
TEST(BmpReading, AFailedLoadLeavesThePreviousPicture) {
  struct Case {
    const char* name;
    TBytes bytes;
    const char* message;  // kReadError: EReadError, kInvalidBitmap: EInvalidGraphic
  };
  const Case cases[] = {
      {"5 bytes", TBmpFields{.Length = 5}.Bytes(), kReadError},
      {"bit count 30", TBmpFields{.BitCount = 30, .Pixels = Pattern(24)}.Bytes(), kInvalidBitmap},
      {"embedded JPEG", TBmpFields{.BitCount = 0, .Compression = 4, .Pixels = Pattern(24)}.Bytes(),
       kInvalidBitmap},
      {"bit fields at 24 bits", TBmpFields{.Compression = 3, .Pixels = Pattern(24)}.Bytes(),
       kInvalidBitmap},
  };
  const TBytes before = Canonical(3, 2, 24).Bytes();
  for (const Case& c : cases) {
    TBitmap bitmap;
    LoadBytes(bitmap, before);
    TChangeCounter changes(bitmap);
    ExpectFailure<Exception>([&] { LoadBytes(bitmap, c.bytes); }, c.message, c.name,
                             c.message == kReadError ? "EReadError" : "EInvalidGraphic");
    EXPECT_EQ(changes.Count, 0) << c.name;
    EXPECT_EQ(Stored(bitmap), before) << c.name;
  }
}

// ---- run-length pictures

TEST(BmpRunLength, LoadsAsADevicePictureAndStoresAt32Bits) {
  // 3 x 2, bottom row first: a run of two of colour 1 and one of colour 2, end of line; a run
  // of two of colour 0, end of bitmap. The pixel the data never reaches is black.
  TBmpFields fields = Canonical(3, 2, 8, 3, 1);
  fields.Table = {0x000000FF, 0x0000FF00, 0x00FF0000};
  fields.Pixels = {0x02, 0x01, 0x01, 0x02, 0x00, 0x00, 0x02, 0x00, 0x00, 0x01};
  fields.SizeImage = static_cast<std::uint32_t>(fields.Pixels.size());
  TBitmap bitmap;
  LoadBytes(bitmap, fields.Bytes());
  EXPECT_EQ(bitmap.PixelLayout(), TPixelLayout::plDevice);
  EXPECT_EQ(bitmap.Width(), 3);
  EXPECT_EQ(bitmap.Height(), 2);

  const TBytes stored = Stored(bitmap);
  ASSERT_GE(stored.size(), 54u);
  EXPECT_EQ(Get16(stored, 28), 32) << "bit count";
  EXPECT_EQ(Get32(stored, 30), 0u) << "uncompressed";
  EXPECT_EQ(Get32(stored, 46), 3u) << "the file's colours travel as an optional table";
  ASSERT_EQ(Get32(stored, 10), 54u + 4u * 3);
  const TBytes expected = {0x00, 0xFF, 0x00, 0, 0x00, 0xFF, 0x00, 0, 0x00, 0x00, 0xFF, 0,
                           0xFF, 0x00, 0x00, 0, 0xFF, 0x00, 0x00, 0, 0x00, 0x00, 0x00, 0};
  EXPECT_EQ(TBytes(stored.begin() + 66, stored.end()), expected);
}

TEST(BmpWriting, TheAnalysedPictureOfAnEightBitSourceCarriesItsPalette) {
  TBitmap source;
  const TBmpFields fields = Canonical(3, 2, 8, 256);
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
    EXPECT_EQ(Get32(stored, 54 + 4 * static_cast<std::size_t>(i)), Colour(i)) << "entry " << i;
  }
  EXPECT_EQ(Stored(source), fields.Bytes()) << "the source is untouched by the analysis";
}

// ---- the stored form: a 32-bit count, then that many bytes of a BMP file

TEST(BmpStoredForm, CountThenBytesAndTheCountBoundsTheRead) {
  TBitmap bitmap;
  const TBytes file = Canonical(3, 2, 8, 4).Bytes();
  LoadBytes(bitmap, file);
  TMemoryStream stream;
  bitmap.WriteData(stream);
  // Then a count that covers the headers but only 5 pixel bytes, and the whole file.
  const TBytes rgb = Canonical(3, 2, 24).Bytes();
  const std::uint32_t count = 54 + 5;
  stream.WriteBuffer(&count, 4);
  stream.WriteBuffer(rgb.data(), static_cast<std::int64_t>(rgb.size()));
  const TBytes written(stream.Memory(), stream.Memory() + stream.Size());
  EXPECT_EQ(Get32(written, 0), file.size());
  EXPECT_EQ(TBytes(written.begin() + 4, written.begin() + 4 + file.size()), file);

  stream.SetPosition(0);
  TBitmap copy;
  copy.ReadData(stream);
  EXPECT_EQ(Stored(copy), file);
  EXPECT_EQ(stream.Position(), 4 + file.size()) << "the following data stays in place";
  copy.ReadData(stream);
  EXPECT_EQ(stream.Position(), 4 + file.size() + 4 + 59);
  TBytes expected(rgb.begin() + 54, rgb.begin() + 59);
  expected.resize(24, 0);
  EXPECT_EQ(Memory(copy), expected);
}

// ---- files

class BmpFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    Dir_ = std::filesystem::temp_directory_path() /
           ("ts_bmp_io_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(Dir_);
    std::filesystem::create_directories(Dir_);
    LoadBytes(Bitmap, Canonical(5, 3, 24).Bytes());
  }
  void TearDown() override { std::filesystem::remove_all(Dir_); }

  std::string Path(const std::string& leaf) const { return (Dir_ / leaf).string(); }
  static TBytes ReadFile(const std::string& path) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    return TBytes(std::istreambuf_iterator<char>(in), {});
  }
  static void WriteFile(const std::string& path, const TBytes& bytes) {
    std::ofstream(std::filesystem::path(path), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
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
  TBitmap Bitmap;
};

TEST_F(BmpFiles, StoreCreatesAndReplacesAndLoadReadsBack) {
  const std::string target = Path("result");  // no extension is added
  WriteFile(target, TBytes(5000, 0x11));
  Bitmap.StoreToFile(target);
  EXPECT_EQ(ReadFile(target), Stored(Bitmap));
  EXPECT_EQ(Names(), std::vector<std::string>{"result"});
  TBitmap loaded;
  loaded.LoadFromFile(target);
  EXPECT_EQ(Stored(loaded), Stored(Bitmap));

  TBitmap empty;
  empty.StoreToFile(target);
  EXPECT_EQ(std::filesystem::file_size(target), 0u) << "an empty picture makes an empty file";
}

TEST_F(BmpFiles, ATargetThatCannotBeReplacedFailsAndStaysAsItWas) {
  const TBytes old(77, 0x42);
  WriteFile(Path("held.bmp"), old);
  std::filesystem::create_directory(Path("folder"));
  const std::string names[] = {"missing/x.bmp", "held.bmp", "folder"};
  for (const std::string& name : names) {
    const std::string target = Path(name);
    TFileStream holder(Path("held.bmp"), fmOpenReadWrite | fmShareExclusive);
    ExpectFailure<EFCreateError>([&] { Bitmap.StoreToFile(target); },
                                 "ファイル " + target + " を作成できません", name);
  }
  EXPECT_EQ(ReadFile(Path("held.bmp")), old);
  EXPECT_TRUE(std::filesystem::is_directory(Path("folder")));
  EXPECT_EQ(Names(), (std::vector<std::string>{"folder", "held.bmp"}));
}

#ifndef _WIN32
// A write that fails half-way (here: the process may not write files that large) leaves the
// old file as it was and no temporary file behind.
TEST_F(BmpFiles, AFailedWriteKeepsTheOldFile) {
  LoadBytes(Bitmap, Canonical(64, 64, 24).Bytes());
  const std::string target = Path("kept.bmp");
  const TBytes old(100, 0x33);
  WriteFile(target, old);
  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 4096;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  ExpectFailure<EWriteError>([&] { Bitmap.StoreToFile(target); }, "ストリームへの書き込みエラー",
                             "a write past the size limit");
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previousHandler);
  EXPECT_EQ(ReadFile(target), old);
  EXPECT_EQ(Names(), std::vector<std::string>{"kept.bmp"});
}
#endif

TEST_F(BmpFiles, LoadingAMissingFileFailsWithTheOpenMessage) {
  const std::string name = Path("nothing.bmp");
  ExpectFailure<EFOpenError>([&] { Bitmap.LoadFromFile(name); }, "ファイル " + name + " は開けません");
}

}  // namespace
