// TSPIBitmap: a plug-in's decoded bitmap becoming the picture, the refusal of output that does
// not fit its blocks, whole loads through our bundled plug-in and the BMP reader, and the stream
// that presents a plug-in's blocks as one BMP image.
#include "pictures/spi_bitmap.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "image/bitmap.h"
#include "picture_fixtures.h"
#include "pictures/joined_memory_stream.h"
#include "probe_bench.h"
#include "rtl/exception.h"
#include "rtl/stream.h"

namespace {

using fixtures::TBytes;

void Put(TBytes& bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// A plug-in's information block: a header of `headerSize` bytes, then `extra` bytes (masks or
// colour table) counting up from 1.
TBytes InfoBlock(std::int32_t width, std::int32_t height, std::uint16_t bitCount,
                 std::uint32_t compression, std::uint32_t clrUsed, std::size_t extra,
                 std::uint32_t headerSize = 40) {
  TBytes bytes(headerSize + extra, 0);
  Put(bytes, 0, headerSize);
  Put(bytes, 4, static_cast<std::uint32_t>(width));
  Put(bytes, 8, static_cast<std::uint32_t>(height));
  Put(bytes, 12, 1u | std::uint32_t{bitCount} << 16);  // planes, bits per pixel
  Put(bytes, 16, compression);
  Put(bytes, 32, clrUsed);
  for (std::size_t i = 0; i < extra; ++i)
    bytes[headerSize + i] = static_cast<std::uint8_t>(i * 3 + 1);
  return bytes;
}

TBytes Bits(std::size_t size) {
  TBytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 13 + 5);
  return bytes;
}

// The first `length` bytes of each row (from the top) as the picture holds them.
std::vector<TBytes> Rows(TSPIBitmap& bitmap, std::size_t length) {
  std::vector<TBytes> rows;
  for (int y = 0; y < bitmap.Height(); ++y)
    rows.emplace_back(bitmap.RowData(y), bitmap.RowData(y) + length);
  return rows;
}

TEST(SPIBitmapFromPlugin, WrapsHeaderColourTableAndRowsAsTheBmpReaderExpects) {
  struct TCase {
    const char* What;
    std::int32_t Width, Height;
    std::uint16_t BitCount;
    std::uint32_t Compression, ClrUsed, HeaderSize;
    std::size_t Extra;         // bytes after the header: masks and colour table as carried
    std::size_t RowSize;       // of the plug-in's rows
    std::size_t TableEntries;  // colour-table entries expected in the picture
  };
  const TCase cases[] = {
      {"1 bit, 2 colours by default", 13, 3, 1, BI_RGB, 0, 40, 8, 4, 2},
      {"4 bits, 16 colours by default", 5, 2, 4, BI_RGB, 0, 40, 64, 4, 16},
      {"8 bits, 256 colours by default", 3, 2, 8, BI_RGB, 0, 40, 1024, 4, 256},
      {"8 bits, exactly the 5 colours it uses", 3, 2, 8, BI_RGB, 5, 40, 20, 4, 5},
      {"24 bits, width 3: 9 pixel bytes and 3 of padding", 3, 2, 24, BI_RGB, 0, 40, 0, 12, 0},
      {"24 bits with a 16-entry table carried along", 2, 2, 24, BI_RGB, 16, 40, 64, 8, 0},
      {"24 bits, top-down", 2, -3, 24, BI_RGB, 0, 40, 0, 8, 0},
      {"32 bits", 2, 2, 32, BI_RGB, 0, 40, 0, 8, 0},
      {"16 bits with masks after a 40-byte header", 3, 2, 16, BI_BITFIELDS, 0, 40, 12, 8, 0},
      {"32 bits, version 5 header with masks inside", 2, 2, 32, BI_BITFIELDS, 0, 124, 0, 8, 0},
      {"24 bits, version 4 header", 2, 2, 24, BI_RGB, 0, 108, 0, 8, 0},
  };
  for (const TCase& c : cases) {
    TBytes info =
        InfoBlock(c.Width, c.Height, c.BitCount, c.Compression, c.ClrUsed, c.Extra, c.HeaderSize);
    if (c.Compression == BI_BITFIELDS) {
      // Real masks at offset 40: 5-6-5 after the 40-byte header, 8-8-8 inside the long one.
      const bool wide = c.BitCount == 32;
      Put(info, 40, wide ? 0xFF0000 : 0xF800);
      Put(info, 44, wide ? 0x00FF00 : 0x07E0);
      Put(info, 48, wide ? 0x0000FF : 0x001F);
    }
    const std::size_t height = static_cast<std::size_t>(c.Height < 0 ? -c.Height : c.Height);
    const TBytes bits = Bits(c.RowSize * height);
    TSPIBitmap bitmap;
    bool done = false;
    ASSERT_NO_THROW(bitmap.LoadFromSPI(info, bits, TPictureInfoRec{}, done)) << c.What;
    EXPECT_TRUE(done) << c.What;
    ASSERT_EQ(bitmap.Width(), c.Width) << c.What;
    ASSERT_EQ(bitmap.Height(), static_cast<int>(height)) << c.What;
    const std::size_t pixelBytes = (static_cast<std::size_t>(c.Width) * c.BitCount + 7) / 8;
    const std::vector<TBytes> rows = Rows(bitmap, pixelBytes);
    for (std::size_t y = 0; y < height; ++y) {
      const auto source = bits.begin() + static_cast<std::ptrdiff_t>(
                                             (c.Height < 0 ? y : height - 1 - y) * c.RowSize);
      EXPECT_EQ(rows[y], TBytes(source, source + static_cast<std::ptrdiff_t>(pixelBytes)))
          << c.What << ": row " << y;
    }
    const TDIBView view = bitmap.DIBView();
    ASSERT_GE(view.ColorTable.size(), c.TableEntries) << c.What;
    for (std::size_t i = 0; i < c.TableEntries; ++i) {
      const std::uint8_t* entry = info.data() + 40 + i * 4;
      const auto& got = view.ColorTable[i];
      EXPECT_EQ(TBytes({got.rgbBlue, got.rgbGreen, got.rgbRed}), TBytes(entry, entry + 3))
          << c.What << ": entry " << i;
    }
  }
}

TEST(SPIBitmapFromPlugin, RefusesOutputThatDoesNotFitItsBlocksAndKeepsThePicture) {
  struct TCase {
    const char* What;
    TBytes Info;
    TBytes Bits;
  };
  const TBytes info24 = InfoBlock(4, 4, 24, BI_RGB, 0, 0);
  const TBytes shortHeader(info24.begin(), info24.end() - 1);
  TBytes longCut = InfoBlock(4, 4, 24, BI_RGB, 0, 0, 124);
  longCut.resize(100);
  const TCase cases[] = {
      {"a header block shorter than a header", shortHeader, Bits(48)},
      {"an 8-bit header without room for its 256 colours", InfoBlock(4, 4, 8, BI_RGB, 0, 1020),
       Bits(16)},
      {"a colour count the block cannot hold", InfoBlock(4, 4, 24, BI_RGB, 200, 16), Bits(48)},
      {"masks missing after a bit-field header", InfoBlock(4, 4, 16, BI_BITFIELDS, 0, 0), Bits(32)},
      {"a long header cut short", longCut, Bits(48)},
      {"rows one byte short", info24, Bits(47)},
      {"rows far beyond the block", InfoBlock(0x7FFFFFFF, 0x7FFFFFFF, 32, BI_RGB, 0, 0), Bits(48)},
      {"top-down rows beyond the block", InfoBlock(4, -0x7FFFFFFF - 1, 24, BI_RGB, 0, 0), Bits(48)},
      {"a negative width", InfoBlock(-4, 4, 24, BI_RGB, 0, 0), Bits(48)},
      {"more than 256 colours", InfoBlock(1, 1, 8, BI_RGB, 257, 257 * 4), Bits(4)},
      {"run-length compressed bits", InfoBlock(4, 4, 8, BI_RLE8, 0, 1024), Bits(48)},
      {"JPEG-compressed bits", InfoBlock(4, 4, 24, 4, 0, 0), Bits(48)},
  };
  TSPIBitmap bitmap;
  bool done = false;
  bitmap.LoadFromSPI(InfoBlock(2, 1, 24, BI_RGB, 0, 0), Bits(8), TPictureInfoRec{}, done);
  ASSERT_TRUE(done);
  const std::vector<TBytes> before = Rows(bitmap, 6);
  for (const TCase& c : cases) {
    done = false;
    try {
      bitmap.LoadFromSPI(c.Info, c.Bits, TPictureInfoRec{}, done);
      ADD_FAILURE() << c.What << ": taken";
    } catch (const EInvalidGraphic& e) {
      EXPECT_EQ(e.Message(), "ビットマップイメージが不正です") << c.What;
    }
    EXPECT_FALSE(done) << c.What;
    EXPECT_EQ(Rows(bitmap, 6), before) << c.What << ": the picture changed";
  }
}

TEST(SPIBitmapClass, IsTheDefaultPictureClassAndMakesConfiguredCopiesOfItself) {
  EXPECT_EQ(TSPIs::GetDefaultGraphic(), TGraphicClass::Of<TSPIBitmap>());
  TSPIBitmap source;
  EXPECT_TRUE(source.SkipLeadingHeader()) << "set after construction";
  source.SetSkipLeadingHeader(false);
  std::unique_ptr<TGraphic> copy = source.ClassType().Create();
  auto* spiCopy = dynamic_cast<TSPIBitmap*>(copy.get());
  ASSERT_NE(spiCopy, nullptr) << "the class of a copy";
  EXPECT_TRUE(spiCopy->SkipLeadingHeader());
  EXPECT_EQ(spiCopy->SPIAble().NativeExt(), "BMP");
  EXPECT_EQ(spiCopy->SPIAble().Graphic(), spiCopy);
  spiCopy->Assign(&source);
  EXPECT_FALSE(spiCopy->SkipLeadingHeader()) << "Assign from a TSPIBitmap copies the flag";
  TBitmap plain;
  spiCopy->SetSkipLeadingHeader(true);
  spiCopy->Assign(&plain);
  EXPECT_TRUE(spiCopy->SkipLeadingHeader()) << "Assign from a plain TBitmap leaves the flag";
}

// Loads through our bundled plug-in and the BMP reader, by file or by stream.
class SPIBitmapLoadTest : public ::testing::Test {
 protected:
  SPIBitmapLoadTest() { Bench.AddBundledPlugin(); }
  ~SPIBitmapLoadTest() override {
    for (const std::string& path : Paths) std::remove(path.c_str());
  }

  std::string Write(const std::string& name, const TBytes& bytes) {
    Paths.push_back(fixtures::TempPath(name));
    fixtures::WriteFile(Paths.back(), bytes);
    return Paths.back();
  }

  // Compares the picture with `expected`, pixel by pixel, in its 24- or 32-bit layout.
  static void ExpectPixels(TSPIBitmap& bitmap, const fixtures::TRgbaPicture& expected, bool alpha,
                           const std::string& what) {
    ASSERT_EQ(bitmap.Width(), expected.Width) << what;
    ASSERT_EQ(bitmap.Height(), expected.Height) << what;
    ASSERT_EQ(bitmap.PixelLayout(), alpha ? TPixelLayout::pl32Bit : TPixelLayout::pl24Bit) << what;
    const int step = alpha ? 4 : 3;
    for (int y = 0; y < expected.Height; ++y) {
      for (int x = 0; x < expected.Width; ++x) {
        const std::uint8_t* want = expected.At(x, y);
        const std::uint8_t* got = bitmap.RowData(y) + x * step;
        const TBytes wanted = {want[2], want[1], want[0], alpha ? want[3] : std::uint8_t{0}};
        ASSERT_EQ(TBytes(got, got + step), TBytes(wanted.begin(), wanted.begin() + step))
            << what << ": BGR(A) of pixel (" << x << "," << y << ")";
      }
    }
  }

  probe_bench::TProbeBench Bench;
  std::vector<std::string> Paths;
};

TEST_F(SPIBitmapLoadTest, PngArrivesWithTheSourcePixelsByFileByStreamAndUnderAnyName) {
  for (const bool alpha : {false, true}) {
    const fixtures::TRgbaPicture source = fixtures::Pattern(37, 23, alpha);
    const TBytes png = fixtures::MakePng(source, alpha);
    const std::string what = alpha ? "RGBA" : "RGB";
    TSPIBitmap byFile;
    byFile.LoadFromFile(Write("round.png", png));
    ExpectPixels(byFile, source, alpha, what + " by file");
    TMemoryStream stream;
    stream.WriteBuffer(png.data(), static_cast<std::int64_t>(png.size()));
    TSPIBitmap unnamed;
    unnamed.LoadFromStream(stream);  // the BMP reader first, then the plug-ins
    ExpectPixels(unnamed, source, alpha, what + " by unnamed stream");
    TSPIBitmap misnamed;
    misnamed.LoadFromFile(Write("really-a-png.bmp", png));
    ExpectPixels(misnamed, source, alpha, what + " named .bmp");
  }
}

TEST_F(SPIBitmapLoadTest, TheBmpReaderServesAnyNameAndAFailedLoadKeepsThePicture) {
  TSPIBitmap source;
  bool done = false;
  source.LoadFromSPI(InfoBlock(2, 1, 24, BI_RGB, 0, 0), Bits(8), TPictureInfoRec{}, done);
  const std::string bmp = fixtures::TempPath("source.bmp");
  Paths.push_back(bmp);
  source.StoreToFile(bmp);
  std::ifstream in(bmp, std::ios::binary);
  const TBytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());

  TSPIBitmap bitmap;
  bitmap.LoadFromFile(Write("picture.dat", bytes));
  EXPECT_EQ(Rows(bitmap, 6), Rows(source, 6)) << "a BMP after the plug-ins declined";
  TSPIBitmap empty;
  empty.LoadFromFile(Write("nothing.png", {}));
  EXPECT_TRUE(empty.Empty()) << "the BMP reader reads an empty file as an empty picture";
  try {
    bitmap.LoadFromFile(Write("noise.png", TBytes(100, 0x33)));
    ADD_FAILURE() << "noise loaded";
  } catch (const EInvalidGraphic& e) {
    EXPECT_EQ(e.Message(), "認識できない画像形式です");
  }
  EXPECT_EQ(Rows(bitmap, 6), Rows(source, 6)) << "a failed load keeps the picture";
}

TEST_F(SPIBitmapLoadTest, APictureBehindA128ByteHeaderLoadsOnlyWithSkipLeadingHeader) {
  const fixtures::TRgbaPicture source = fixtures::Pattern(5, 4, false);
  TBytes wrapped(128, 0);
  const TBytes png = fixtures::MakePng(source, false);
  wrapped.insert(wrapped.end(), png.begin(), png.end());
  const std::string path = Write("wrapped.png", wrapped);
  TSPIBitmap bitmap;
  bitmap.LoadFromFile(path);
  ExpectPixels(bitmap, source, false, "wrapped");

  TSPIBitmap strict;
  strict.SetSkipLeadingHeader(false);
  EXPECT_THROW(strict.LoadFromFile(path), EInvalidGraphic);
  TMemoryStream stream;
  stream.WriteBuffer(wrapped.data(), static_cast<std::int64_t>(wrapped.size()));
  EXPECT_THROW(strict.LoadFromStreamWithName(stream, "wrapped.png"), EInvalidGraphic);
  strict.SetSkipLeadingHeader(true);
  strict.LoadFromStreamWithName(stream, "wrapped.png");
  ExpectPixels(strict, source, false, "wrapped, by stream with a name");
}

}  // namespace

namespace {

// The stream LoadFromSPI reads: the two blocks as one sequence, whatever the reads' sizes.
TEST(JoinedMemoryStream, ReadsAcrossTheJoinAndSeeksWithinBoth) {
  const TBytes first = {1, 2, 3};
  const TBytes second = {4, 5, 6, 7, 8};
  TJoinedMemoryStream stream(first, second);
  EXPECT_EQ(stream.Size(), 8);
  for (const std::int64_t chunk : {1, 2, 3, 5, 8, 20}) {
    stream.SetPosition(0);
    TBytes read;
    TBytes buffer(static_cast<std::size_t>(chunk));
    for (std::int64_t n; (n = stream.Read(buffer.data(), chunk)) > 0;)
      read.insert(read.end(), buffer.begin(), buffer.begin() + n);
    EXPECT_EQ(read, (TBytes{1, 2, 3, 4, 5, 6, 7, 8})) << "reads of " << chunk;
  }
  std::uint8_t two[2];
  EXPECT_EQ(stream.Seek(-3, TSeekOrigin::soEnd), 5);
  EXPECT_EQ(stream.Read(two, 2), 2);
  EXPECT_EQ(two[0] * 10 + two[1], 67);
  EXPECT_EQ(stream.Write(two, 2), 0) << "nothing is written";
}

}  // namespace
