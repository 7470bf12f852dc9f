#include "image/bmp_format.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "bmp_fixtures.h"
#include "rtl/exception.h"
#include "rtl/stream.h"

namespace {

using bmp_fixtures::Colour;
using bmp_fixtures::Get16;
using bmp_fixtures::Get32;
using bmp_fixtures::Pattern;
using bmp_fixtures::TBmpFields;
using bmp_fixtures::TBytes;

struct TPrologueCase {
  const char* Name;
  TBytes Bytes;
  // The expected result: the error's class and message, or the fields checked on success.
  const char* ErrorClass = nullptr;
  std::int64_t Colours = 0;
  std::int64_t PixelBytes = 0;
  bool FromCore = false;
  std::vector<std::uint32_t> Masks = {0, 0, 0};
};

void PrintTo(const TPrologueCase& c, std::ostream* os) { *os << c.Name; }

const char* const kInvalid = "EInvalidGraphic";
const char* const kRead = "EReadError";

TBmpFields With(std::function<void(TBmpFields&)> change) {
  TBmpFields fields;
  change(fields);
  return fields;
}

TBytes Cut(TBytes bytes, std::size_t size) {
  bytes.resize(size);
  return bytes;
}

std::vector<TPrologueCase> PrologueCases() {
  const TBmpFields rgb24 = With([](TBmpFields& s) { s.Pixels = Pattern(24); });
  return {
      {"24 bits, image size from the rows", rgb24.Bytes(), nullptr, 0, 24},
      {"8 bits, colours used 0 reads all 256 entries",
       With([](TBmpFields& s) { s.BitCount = 8; s.TableEntries = 256; s.Pixels = Pattern(8); }).Bytes(),
       nullptr, 256, 8},
      {"4 bits, colours used 0 reads 16 entries",
       With([](TBmpFields& s) { s.BitCount = 4; s.TableEntries = 16; s.Pixels = Pattern(8); }).Bytes(),
       nullptr, 16, 8},
      {"4 bits, colours used 5 reads 5 entries",
       With([](TBmpFields& s) {
         s.BitCount = 4; s.ColoursUsed = 5; s.TableEntries = 5; s.Pixels = Pattern(8);
       }).Bytes(),
       nullptr, 5, 8},
      {"1 bit reads 2 entries",
       With([](TBmpFields& s) { s.BitCount = 1; s.TableEntries = 2; s.Pixels = Pattern(8); }).Bytes(),
       nullptr, 2, 8},
      {"core 8 bits reads 256 three-byte entries",
       With([](TBmpFields& s) {
         s.HeaderSize = 12; s.BitCount = 8; s.TableEntries = 256; s.Pixels = Pattern(8);
       }).Bytes(),
       nullptr, 256, 8, true},
      {"core 24 bits carries no table",
       With([](TBmpFields& s) { s.HeaderSize = 12; s.Pixels = Pattern(24); }).Bytes(), nullptr, 0, 24,
       true},
      {"core width and height are unsigned",
       With([](TBmpFields& s) { s.HeaderSize = 12; s.Width = 0x8001; s.Height = 1; s.Pixels = Pattern(3); })
           .Bytes(),
       nullptr, 0, 3, true},
      {"24 bits with an optional table of 3 entries",
       With([](TBmpFields& s) { s.ColoursUsed = 3; s.TableEntries = 3; s.Pixels = Pattern(24); }).Bytes(),
       nullptr, 3, 24},
      {"bit fields after a 40-byte header",
       With([](TBmpFields& s) {
         s.BitCount = 16; s.Compression = 3; s.Masks = {0x7C00, 0x03E0, 0x001F}; s.Pixels = Pattern(16);
       }).Bytes(),
       nullptr, 0, 16, false, {0x7C00, 0x03E0, 0x001F}},
      {"bit fields inside a 108-byte header",
       With([](TBmpFields& s) {
         s.HeaderSize = 108; s.BitCount = 32; s.Compression = 3;
         s.HeaderTail = {0xFF, 0xFF00, 0xFF0000, 0xFF000000}; s.Pixels = Pattern(32);
       }).Bytes(),
       nullptr, 0, 32, false, {0xFF, 0xFF00, 0xFF0000}},
      {"bit fields of 8 bits read no masks, the picture is refused later",
       With([](TBmpFields& s) {
         s.BitCount = 8; s.Compression = 3; s.TableEntries = 256; s.Pixels = Pattern(8);
       }).Bytes(),
       nullptr, 256, 8},
      {"masks inside a header of BI_RGB are not used",
       With([](TBmpFields& s) {
         s.HeaderSize = 124; s.BitCount = 32; s.HeaderTail = {1, 2, 3}; s.Pixels = Pattern(32);
       }).Bytes(),
       nullptr, 0, 32},
      {"a header longer than any known one is skipped whole",
       With([](TBmpFields& s) { s.HeaderSize = 300; s.Pixels = Pattern(24); }).Bytes(), nullptr, 0, 24},
      {"a file shorter than its image size reads what is there",
       With([](TBmpFields& s) { s.Pixels = Pattern(10); }).Bytes(), nullptr, 0, 10},
      {"an image size smaller than the rows reads only that many",
       With([](TBmpFields& s) { s.SizeImage = 5; s.Pixels = Pattern(24); }).Bytes(), nullptr, 0, 5},
      {"an image size beyond a short file reads what is there",
       With([](TBmpFields& s) { s.SizeImage = 0x7FFFFFF0; s.Pixels = Pattern(24); }).Bytes(), nullptr, 0,
       24},
      {"no pixel bytes at all", rgb24.Bytes().size() > 24 ? Cut(rgb24.Bytes(), 54) : TBytes{},
       nullptr, 0, 0},
      {"run-length 8 bits reads the encoded size",
       With([](TBmpFields& s) {
         s.BitCount = 8; s.Compression = 1; s.SizeImage = 6; s.TableEntries = 256; s.Pixels = Pattern(9);
       }).Bytes(),
       nullptr, 256, 6},

      {"1 byte", Cut(rgb24.Bytes(), 1), kRead},
      {"13 bytes", Cut(rgb24.Bytes(), 13), kRead},
      {"another file type", With([](TBmpFields& s) { s.Type = 0x4142; s.Pixels = Pattern(24); }).Bytes(),
       kInvalid},
      {"the stream ends inside the header size", Cut(rgb24.Bytes(), 16), kInvalid},
      {"the stream ends inside the header", Cut(rgb24.Bytes(), 40), kInvalid},
      {"the stream ends inside a core header",
       Cut(With([](TBmpFields& s) { s.HeaderSize = 12; }).Bytes(), 22), kInvalid},
      {"a header size of 16", With([](TBmpFields& s) { s.HeaderSize = 16; }).Bytes(), kInvalid},
      {"a header size of 0", With([](TBmpFields& s) { s.HeaderSize = 0; }).Bytes(), kInvalid},
      {"a header size of 4 GiB", With([](TBmpFields& s) { s.HeaderSize = 0xFFFFFFFF; }).Bytes(),
       kInvalid},
      {"planes 2", With([](TBmpFields& s) { s.Planes = 2; s.Pixels = Pattern(24); }).Bytes(), kInvalid},
      {"planes 0 in a core header",
       With([](TBmpFields& s) { s.HeaderSize = 12; s.Planes = 0; s.Pixels = Pattern(24); }).Bytes(),
       kInvalid},
      {"257 colours", With([](TBmpFields& s) {
         s.BitCount = 8; s.ColoursUsed = 257; s.TableEntries = 257; s.Pixels = Pattern(8);
       }).Bytes(), kInvalid},
      {"a colour count that would overflow", With([](TBmpFields& s) {
         s.BitCount = 8; s.ColoursUsed = 0x40000001; s.Pixels = Pattern(8);
       }).Bytes(), kInvalid},
      {"the stream ends inside the colour table",
       With([](TBmpFields& s) { s.BitCount = 8; s.TableEntries = 255; }).Bytes(), kRead},
      {"the stream ends inside the masks",
       Cut(With([](TBmpFields& s) { s.BitCount = 16; s.Compression = 3; }).Bytes(), 60), kRead},
      {"bit fields in a 44-byte header", With([](TBmpFields& s) {
         s.HeaderSize = 44; s.BitCount = 16; s.Compression = 3; s.Pixels = Pattern(16);
       }).Bytes(), kInvalid},
      {"width 0", With([](TBmpFields& s) { s.Width = 0; }).Bytes(), kInvalid},
      {"negative width", With([](TBmpFields& s) { s.Width = -4; s.Pixels = Pattern(24); }).Bytes(),
       kInvalid},
      {"height 0", With([](TBmpFields& s) { s.Height = 0; }).Bytes(), kInvalid},
      {"the most negative height", With([](TBmpFields& s) { s.Height = INT32_MIN; }).Bytes(),
       kInvalid},
      {"pixel memory over 2 GiB", With([](TBmpFields& s) { s.Width = 30000; s.Height = 30000; })
                                       .Bytes(), kInvalid},
      {"pixel memory beyond 64 bits of bits", With([](TBmpFields& s) {
         s.Width = 0x7FFFFFFF; s.Height = 0x7FFFFFFF; s.BitCount = 0xFFFF;
       }).Bytes(), kInvalid},
      {"a run-length picture whose screen form is over 2 GiB", With([](TBmpFields& s) {
         s.Width = 40000; s.Height = 20000; s.BitCount = 8; s.Compression = 1;
         s.TableEntries = 256; s.Pixels = Pattern(4);
       }).Bytes(), kInvalid},
      {"run-length 8 at 4 bits", With([](TBmpFields& s) {
         s.BitCount = 4; s.Compression = 1; s.TableEntries = 16; s.Pixels = Pattern(4);
       }).Bytes(), kInvalid},
      {"run-length 4 at 8 bits", With([](TBmpFields& s) {
         s.BitCount = 8; s.Compression = 2; s.TableEntries = 256; s.Pixels = Pattern(4);
       }).Bytes(), kInvalid},
      {"run-length top-down", With([](TBmpFields& s) {
         s.Height = -2; s.BitCount = 8; s.Compression = 1; s.TableEntries = 256; s.Pixels = Pattern(4);
       }).Bytes(), kInvalid},
      {"more uncompressed pixel bytes than the pixel memory holds",
       With([](TBmpFields& s) { s.SizeImage = 25; s.Pixels = Pattern(25); }).Bytes(), kInvalid},
  };
}

class BmpPrologue : public ::testing::TestWithParam<TPrologueCase> {};

TEST_P(BmpPrologue, ReadsOrRefusesAsTheFileDeserves) {
  const TPrologueCase& c = GetParam();
  TMemoryViewStream stream(c.Bytes.data(), static_cast<std::int64_t>(c.Bytes.size()));
  try {
    const TBmpPrologue p = ReadBmpPrologue(stream, stream.Size());
    ASSERT_EQ(c.ErrorClass, nullptr) << "no failure, expected " << c.ErrorClass;
    EXPECT_EQ(static_cast<std::int64_t>(p.Colours.size()), c.Colours);
    EXPECT_EQ(p.Header.biClrUsed, c.Colours);
    EXPECT_EQ(p.PixelBytes, c.PixelBytes);
    EXPECT_EQ(p.FromCoreHeader, c.FromCore);
    EXPECT_EQ(std::vector<std::uint32_t>(p.Masks.begin(), p.Masks.end()), c.Masks);
    // The stream stands at the first pixel byte, which the builder writes as 0.
    if (c.PixelBytes > 0) {
      std::uint8_t first = 0xFF;
      stream.ReadBuffer(&first, 1);
      EXPECT_EQ(first, 0);
    }
  } catch (const Exception& e) {
    ASSERT_NE(c.ErrorClass, nullptr) << "unexpected " << e.ClassName() << ": " << e.Message();
    EXPECT_STREQ(e.ClassName(), c.ErrorClass);
    EXPECT_EQ(e.Message(), std::string(c.ErrorClass == kRead ? "ストリームからの読み込みエラー"
                                                             : "ビットマップイメージが不正です"));
  }
}

INSTANTIATE_TEST_SUITE_P(Files, BmpPrologue, ::testing::ValuesIn(PrologueCases()));

TEST(BmpPrologue, CoreTableIsWidenedWithAZeroFourthByte) {
  const TBytes bytes =
      With([](TBmpFields& s) { s.HeaderSize = 12; s.BitCount = 1; s.TableEntries = 2; }).Bytes();
  TMemoryViewStream stream(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  const TBmpPrologue p = ReadBmpPrologue(stream, stream.Size());
  ASSERT_EQ(p.Colours.size(), 2u);
  const std::uint32_t c = Colour(1);
  EXPECT_EQ(p.Colours[1], (TRGBQuad{static_cast<std::uint8_t>(c), static_cast<std::uint8_t>(c >> 8),
                                    static_cast<std::uint8_t>(c >> 16), 0}));
  EXPECT_EQ(p.Header.biWidth, 4);
  EXPECT_EQ(p.Header.biHeight, 2);
  EXPECT_EQ(p.Header.biBitCount, 1);
  EXPECT_EQ(p.Header.biCompression, 0u);
}

TEST(BmpPrologue, ReadsOnlyTheBytesItIsGiven) {
  // A picture stored inside other data: the count given ends it, not the stream.
  TBytes bytes = With([](TBmpFields& s) { s.BitCount = 8; s.TableEntries = 256; }).Bytes();
  const std::int64_t withoutTable = 54 + 1000;
  bytes.resize(bytes.size() + 100, 0);
  TMemoryViewStream stream(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  try {
    ReadBmpPrologue(stream, withoutTable);
    FAIL() << "the colour table passes the end of the given bytes";
  } catch (const EReadError& e) {
    EXPECT_EQ(e.Message(), "ストリームからの読み込みエラー");
  }
  stream.SetPosition(0);
  const TBmpPrologue p = ReadBmpPrologue(stream, 54 + 1024 + 3);
  EXPECT_EQ(p.PixelBytes, 3);
}

// ---- writing

// A stream that takes at most `Limit` bytes, like a full disk.
class TLimitedStream : public TMemoryStream {
 public:
  explicit TLimitedStream(std::int64_t limit) : Limit_(limit) {}
  std::int64_t Write(const void* buffer, std::int64_t count) override {
    const std::int64_t room = std::max<std::int64_t>(0, Limit_ - Size());
    return TMemoryStream::Write(buffer, std::min(count, room));
  }

 private:
  std::int64_t Limit_;
};

TBitmapInfoHeader InfoHeader(std::int32_t width, std::int32_t height, std::uint16_t bits,
                             std::uint32_t compression = 0) {
  TBitmapInfoHeader h{};
  h.biSize = 40;
  h.biWidth = width;
  h.biHeight = height;
  h.biPlanes = 1;
  h.biBitCount = bits;
  h.biCompression = compression;
  return h;
}

TBytes Written(const TBmpImage& image) {
  TMemoryStream stream;
  WriteBmp(stream, image);
  EXPECT_EQ(stream.Size(), BmpFileSize(image));
  return TBytes(stream.Memory(), stream.Memory() + stream.Size());
}

TEST(BmpWriting, ThreeByTwo24BitPictureIs78Bytes) {
  std::vector<std::uint8_t> pixels(24);
  for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<std::uint8_t>(100 + i);
  TBmpImage image;
  image.Header = InfoHeader(3, 2, 24);
  image.Header.biXPelsPerMeter = 3780;
  image.Pixels = pixels.data();
  const TBytes b = Written(image);
  ASSERT_EQ(b.size(), 78u);
  TBytes expected = {'B', 'M', 78, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,
                     40, 0, 0, 0, 3, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0,
                     24, 0, 0, 0, 0xC4, 0x0E, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  expected.insert(expected.end(), pixels.begin(), pixels.end());
  EXPECT_EQ(b, expected);
}

struct TLayoutCase {
  const char* Name;
  TBitmapInfoHeader Header;
  int Colours;
  bool Core;
  std::uint32_t Offset;       // expected offset field, also where the pixels start
  std::uint32_t HeaderSize;   // expected header size field
  std::uint32_t PixelBytes;
};

void PrintTo(const TLayoutCase& c, std::ostream* os) { *os << c.Name; }

const TLayoutCase kLayouts[] = {
    {"24 bits with a 256-entry palette", InfoHeader(3, 2, 24), 256, false, 1078, 40, 24},
    {"8 bits with 252 colours", InfoHeader(5, 3, 8), 252, false, 54 + 4 * 252, 40, 24},
    {"1 bit with 2 colours", InfoHeader(9, 1, 1), 2, false, 62, 40, 4},
    {"16-bit bit fields carry masks", InfoHeader(2, 2, 16, 3), 0, false, 66, 40, 8},
    {"32-bit bit fields with a table", InfoHeader(1, 1, 32, 3), 4, false, 66 + 16, 40, 4},
    {"15 bits has no masks", InfoHeader(2, 2, 16), 0, false, 54, 40, 8},
    {"32 bits without bit fields has no masks", InfoHeader(2, 2, 32), 0, false, 54, 40, 16},
    {"core 8 bits writes the full 3-byte table", InfoHeader(4, 2, 8), 100, true, 794, 12, 8},
    {"core 4 bits", InfoHeader(4, 2, 4), 16, true, 26 + 48, 12, 8},
    {"core 24 bits has no table", InfoHeader(4, 2, 24), 0, true, 26, 12, 24},
    {"core 24 bits with a palette still writes none", InfoHeader(4, 2, 24), 8, true, 26, 12, 24},
    {"core with bit fields is written as info layout", InfoHeader(2, 2, 16, 3), 0, true, 66, 40,
     8},
    {"core top-down is written as info layout", InfoHeader(4, -2, 24), 0, true, 54, 40, 24},
    {"core wider than 65535 is written as info layout", InfoHeader(70000, 1, 1), 2, true, 62, 40,
     8752},
};

class BmpLayouts : public ::testing::TestWithParam<TLayoutCase> {};

TEST_P(BmpLayouts, PutPixelsAfterHeaderMasksAndTable) {
  const TLayoutCase& c = GetParam();
  std::vector<TRGBQuad> colours;
  for (int i = 0; i < c.Colours; ++i)
    colours.push_back(TRGBQuad{static_cast<std::uint8_t>(i), 1, 2, 0});
  std::vector<std::uint8_t> pixels(c.PixelBytes, 0xAB);
  TBmpImage image;
  image.Header = c.Header;
  image.Header.biClrUsed = static_cast<std::uint32_t>(c.Colours);
  image.Masks = {0xF800, 0x07E0, 0x001F};
  image.Colours = colours;
  image.CoreLayout = c.Core;
  image.Pixels = pixels.data();
  const TBytes b = Written(image);
  ASSERT_EQ(b.size(), c.Offset + c.PixelBytes);
  EXPECT_EQ(Get32(b, 2), b.size()) << "file size field";
  EXPECT_EQ(Get32(b, 10), c.Offset) << "offset field";
  EXPECT_EQ(Get32(b, 14), c.HeaderSize);
  EXPECT_EQ(b[c.Offset], 0xAB);
  EXPECT_EQ(b[c.Offset - 1] == 0xAB, false) << "pixels begin exactly at the offset";
  if (c.HeaderSize == 40) {
    EXPECT_EQ(Get32(b, 34), c.PixelBytes) << "image size";
    EXPECT_EQ(Get32(b, 46), static_cast<std::uint32_t>(c.Colours)) << "colours used";
  } else {
    EXPECT_EQ(Get16(b, 18), c.Header.biWidth);
    EXPECT_EQ(Get16(b, 20), c.Header.biHeight);
    EXPECT_EQ(Get16(b, 22), 1);
    EXPECT_EQ(Get16(b, 24), c.Header.biBitCount);
  }
}

INSTANTIATE_TEST_SUITE_P(Layouts, BmpLayouts, ::testing::ValuesIn(kLayouts));

TEST(BmpWriting, CoreTableHoldsTheColoursThenZeros) {
  const std::vector<TRGBQuad> colours = {{10, 20, 30, 0}, {40, 50, 60, 0}};
  std::vector<std::uint8_t> pixels(8);
  TBmpImage image;
  image.Header = InfoHeader(4, 2, 4);
  image.Colours = colours;
  image.CoreLayout = true;
  image.Pixels = pixels.data();
  const TBytes b = Written(image);
  const TBytes table(b.begin() + 26, b.begin() + 26 + 48);
  TBytes expected(48, 0);
  expected[0] = 10, expected[1] = 20, expected[2] = 30, expected[3] = 40, expected[4] = 50,
  expected[5] = 60;
  EXPECT_EQ(table, expected);
}

TEST(BmpWriting, WrittenFilesReadBackTheSame) {
  for (const TLayoutCase& c : kLayouts) {
    std::vector<TRGBQuad> colours;
    for (int i = 0; i < c.Colours; ++i)
      colours.push_back(TRGBQuad{static_cast<std::uint8_t>(i), 7, static_cast<std::uint8_t>(255 - i), 0});
    std::vector<std::uint8_t> pixels(c.PixelBytes, 0x5A);
    TBmpImage image;
    image.Header = c.Header;
    image.Header.biClrUsed = static_cast<std::uint32_t>(c.Colours);
    image.Masks = {0x7C00, 0x03E0, 0x001F};
    image.Colours = colours;
    image.CoreLayout = c.Core;
    image.Pixels = pixels.data();
    TMemoryStream stream;
    WriteBmp(stream, image);
    stream.SetPosition(0);
    const TBmpPrologue p = ReadBmpPrologue(stream, stream.Size());
    EXPECT_EQ(p.Header.biWidth, c.Header.biWidth) << c.Name;
    EXPECT_EQ(p.Header.biHeight, c.Header.biHeight) << c.Name;
    EXPECT_EQ(p.Header.biBitCount, c.Header.biBitCount) << c.Name;
    EXPECT_EQ(p.FromCoreHeader, c.HeaderSize == 12) << c.Name;
    EXPECT_EQ(p.PixelBytes, c.PixelBytes) << c.Name;
    EXPECT_EQ(stream.Position(), static_cast<std::int64_t>(c.Offset)) << c.Name;
    if (c.Header.biCompression == 3) {
      EXPECT_EQ(p.Masks[0], 0x7C00u) << c.Name;
    }
    const std::size_t kept = p.Colours.size();
    if (c.HeaderSize == 40 || c.Header.biBitCount <= 8) {
      ASSERT_GE(kept, colours.size()) << c.Name;
      for (std::size_t i = 0; i < colours.size(); ++i) EXPECT_EQ(p.Colours[i], colours[i]) << c.Name;
    }
  }
}

TEST(BmpWriting, AShortWriteFailsWithTheStreamMessage) {
  std::vector<std::uint8_t> pixels(24);
  TBmpImage image;
  image.Header = InfoHeader(3, 2, 24);
  image.Pixels = pixels.data();
  for (const std::int64_t limit : {0, 13, 53, 77}) {
    TLimitedStream stream(limit);
    try {
      WriteBmp(stream, image);
      FAIL() << "no failure with room for " << limit << " bytes";
    } catch (const EWriteError& e) {
      EXPECT_EQ(e.Message(), "ストリームへの書き込みエラー");
      EXPECT_EQ(stream.Size(), limit) << "what was written stays written";
    }
  }
}

}  // namespace
