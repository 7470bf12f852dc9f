// TSPIBitmap: a plug-in's decoded bitmap becoming the picture, the refusal of output that does
// not fit its blocks, and whole loads through our bundled plug-in and the BMP reader.
#include "pictures/spi_bitmap.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "image/bitmap.h"
#include "picture_fixtures.h"
#include "probe_bench.h"
#include "rtl/exception.h"
#include "rtl/stream.h"

namespace {

using fixtures::TBytes;

void Put(TBytes& bytes, std::size_t at, std::uint32_t value, int size) {
  for (int i = 0; i < size; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// A plug-in's information block: a header of `headerSize` bytes, then `extra` bytes (masks or
// colour table) counting up from 1.
TBytes InfoBlock(std::int32_t width, std::int32_t height, std::uint16_t bitCount,
                 std::uint32_t compression, std::uint32_t clrUsed, std::size_t extra,
                 std::uint32_t headerSize = 40) {
  TBytes bytes(headerSize + extra, 0);
  Put(bytes, 0, headerSize, 4);
  Put(bytes, 4, static_cast<std::uint32_t>(width), 4);
  Put(bytes, 8, static_cast<std::uint32_t>(height), 4);
  Put(bytes, 12, 1, 2);
  Put(bytes, 14, bitCount, 2);
  Put(bytes, 16, compression, 4);
  Put(bytes, 32, clrUsed, 4);
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
  for (int y = 0; y < bitmap.Height(); ++y) {
    const std::uint8_t* row = bitmap.RowData(y);
    rows.emplace_back(row, row + length);
  }
  return rows;
}

struct TLayoutCase {
  const char* What;
  std::int32_t Width;
  std::int32_t Height;
  std::uint16_t BitCount;
  std::uint32_t Compression;
  std::uint32_t ClrUsed;
  std::uint32_t HeaderSize;
  std::size_t Extra;         // bytes after the header: masks and colour table as carried
  std::size_t RowSize;       // of the plug-in's rows
  std::size_t TableEntries;  // colour-table entries expected in the picture
};

TEST(SPIBitmapFromPlugin, WrapsHeaderColourTableAndRowsAsTheBmpReaderExpects) {
  const TLayoutCase cases[] = {
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
  for (const TLayoutCase& c : cases) {
    TBytes info =
        InfoBlock(c.Width, c.Height, c.BitCount, c.Compression, c.ClrUsed, c.Extra, c.HeaderSize);
    if (c.HeaderSize == 124 || (c.Compression == BI_BITFIELDS && c.BitCount == 16)) {
      // Real masks at offset 40: 5-6-5 after the 40-byte header, 8-8-8 inside the long one.
      const std::size_t at = 40;
      const bool wide = c.BitCount == 32;
      Put(info, at, wide ? 0xFF0000 : 0xF800, 4);
      Put(info, at + 4, wide ? 0x00FF00 : 0x07E0, 4);
      Put(info, at + 8, wide ? 0x0000FF : 0x001F, 4);
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
      const std::size_t source = c.Height < 0 ? y : height - 1 - y;
      const TBytes expected(
          bits.begin() + static_cast<std::ptrdiff_t>(source * c.RowSize),
          bits.begin() + static_cast<std::ptrdiff_t>(source * c.RowSize + pixelBytes));
      EXPECT_EQ(rows[y], expected) << c.What << ": row " << y;
    }
    if (c.TableEntries > 0) {
      const TDIBView view = bitmap.DIBView();
      ASSERT_GE(view.ColorTable.size(), c.TableEntries) << c.What;
      for (std::size_t i = 0; i < c.TableEntries; ++i) {
        const std::uint8_t* entry = info.data() + 40 + i * 4;
        EXPECT_EQ(view.ColorTable[i].rgbBlue, entry[0]) << c.What << ": entry " << i;
        EXPECT_EQ(view.ColorTable[i].rgbGreen, entry[1]) << c.What << ": entry " << i;
        EXPECT_EQ(view.ColorTable[i].rgbRed, entry[2]) << c.What << ": entry " << i;
      }
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
  TBytes shortHeader = info24;
  shortHeader.resize(39);
  const TBytes noMasks = InfoBlock(4, 4, 16, BI_BITFIELDS, 0, 0);
  TBytes longCut = InfoBlock(4, 4, 24, BI_RGB, 0, 0, 124);
  longCut.resize(100);
  const TCase cases[] = {
      {"a header block shorter than a header", shortHeader, Bits(48)},
      {"an 8-bit header without room for its 256 colours", InfoBlock(4, 4, 8, BI_RGB, 0, 1020),
       Bits(16)},
      {"a colour count the block cannot hold", InfoBlock(4, 4, 24, BI_RGB, 200, 16), Bits(48)},
      {"masks missing after a bit-field header", noMasks, Bits(32)},
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
  const TBytes before = Rows(bitmap, 6)[0];
  for (const TCase& c : cases) {
    done = false;
    try {
      bitmap.LoadFromSPI(c.Info, c.Bits, TPictureInfoRec{}, done);
      ADD_FAILURE() << c.What << ": taken";
    } catch (const EInvalidGraphic& e) {
      EXPECT_EQ(e.Message(), "ビットマップイメージが不正です") << c.What;
    }
    EXPECT_FALSE(done) << c.What;
    EXPECT_EQ(bitmap.Width(), 2) << c.What << ": the picture changed";
    EXPECT_EQ(Rows(bitmap, 6)[0], before) << c.What << ": the picture changed";
  }
}

TEST(SPIBitmapClass, IsTheDefaultPictureClassAndMakesConfiguredCopiesOfItself) {
  EXPECT_EQ(TSPIs::GetDefaultGraphic(), TGraphicClass::Of<TSPIBitmap>());
  EXPECT_STREQ(TSPIBitmap().ClassName(), "TSPIBitmap");

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

// A 2 x 1 24-bit BMP file: blue-green-red (1,2,3) and (4,5,6).
TBytes SmallBmp() {
  TBytes bmp(62, 0);
  bmp[0] = 'B';
  bmp[1] = 'M';
  Put(bmp, 2, 62, 4);
  Put(bmp, 10, 54, 4);
  Put(bmp, 14, 40, 4);
  Put(bmp, 18, 2, 4);
  Put(bmp, 22, 1, 4);
  Put(bmp, 26, 1, 2);
  Put(bmp, 28, 24, 2);
  const std::uint8_t pixels[8] = {1, 2, 3, 4, 5, 6, 0, 0};
  std::memcpy(bmp.data() + 54, pixels, sizeof pixels);
  return bmp;
}

class SPIBitmapLoadTest : public ::testing::Test {
 protected:
  SPIBitmapLoadTest() { Bench.AddBundledPlugin(); }

  std::string Write(const std::string& name, const TBytes& bytes) {
    const std::string path = fixtures::TempPath(name);
    fixtures::WriteFile(path, bytes);
    Paths.push_back(path);
    return path;
  }
  ~SPIBitmapLoadTest() override {
    for (const std::string& path : Paths) std::remove(path.c_str());
  }

  // Compares the picture with `expected`, pixel by pixel, in its 24- or 32-bit layout.
  static void ExpectPixels(TSPIBitmap& bitmap, const fixtures::TRgbaPicture& expected, bool alpha,
                           const std::string& what) {
    ASSERT_EQ(bitmap.Width(), expected.Width) << what;
    ASSERT_EQ(bitmap.Height(), expected.Height) << what;
    ASSERT_EQ(bitmap.PixelLayout(), alpha ? TPixelLayout::pl32Bit : TPixelLayout::pl24Bit) << what;
    const int step = alpha ? 4 : 3;
    for (int y = 0; y < expected.Height; ++y) {
      const std::uint8_t* row = bitmap.RowData(y);
      for (int x = 0; x < expected.Width; ++x) {
        const std::uint8_t* want = expected.At(x, y);
        const std::uint8_t* got = row + x * step;
        const bool same = got[0] == want[2] && got[1] == want[1] && got[2] == want[0] &&
                          (!alpha || got[3] == want[3]);
        ASSERT_TRUE(same) << what << ": pixel (" << x << "," << y << ") expected RGBA "
                          << int{want[0]} << "," << int{want[1]} << "," << int{want[2]} << ","
                          << int{want[3]} << " got BGR(A) " << int{got[0]} << "," << int{got[1]}
                          << "," << int{got[2]};
      }
    }
  }

  probe_bench::TProbeBench Bench;
  std::vector<std::string> Paths;
};

TEST_F(SPIBitmapLoadTest, PngDecodedByOurPluginArrivesWithTheSourcePixels) {
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

TEST_F(SPIBitmapLoadTest, EachWayLoadsWhatItDecodesWhateverTheName) {
  TSPIBitmap bitmap;
  bitmap.LoadFromFile(Write("picture.dat", SmallBmp()));
  ASSERT_EQ(bitmap.Width(), 2) << "a BMP under another extension, after the plug-ins declined";
  EXPECT_EQ(bitmap.RowData(0)[3], 4);

  // An empty file under a foreign extension: the BMP reader reads it as an empty picture.
  TSPIBitmap empty;
  empty.LoadFromFile(Write("nothing.png", {}));
  EXPECT_TRUE(empty.Empty());

  try {
    bitmap.LoadFromFile(Write("noise.png", TBytes(100, 0x33)));
    ADD_FAILURE() << "noise loaded";
  } catch (const EInvalidGraphic& e) {
    EXPECT_EQ(e.Message(), "認識できない画像形式です");
  }
  EXPECT_EQ(bitmap.Width(), 2) << "a failed load keeps the picture";
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
