#include "image/bmp/bmp_format.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "image_fixtures.h"
#include "rtl/exception.h"
#include "rtl/stream.h"

namespace {

using namespace image_fixtures;

constexpr char kInvalid[] = "ビットマップイメージが不正です";
constexpr char kRead[] = "ストリームからの読み込みエラー";

TEST(BmpPrologue, ReadsUnusualFiles) {
  struct Case {
    const char* name;
    TBmpFields file;
    std::int64_t colours, pixelBytes;
    bool fromCore = false;
    std::array<std::uint32_t, 3> masks = {};
  };
  const Case cases[] = {
      {"8 bits, colours used 0 reads all 256 entries",
       {.BitCount = 8, .TableEntries = 256, .Pixels = Pattern(8)}, 256, 8},
      {"core width and height are unsigned",
       {.HeaderSize = 12, .Width = 0x8001, .Height = 1, .Pixels = Pattern(3)}, 0, 3, true},
      {"bit fields inside a 108-byte header",
       {.HeaderSize = 108, .BitCount = 32, .Compression = 3,
        .HeaderTail = {0xFF, 0xFF00, 0xFF0000, 0xFF000000}, .Pixels = Pattern(32)},
       0, 32, false, {0xFF, 0xFF00, 0xFF0000}},
      {"bit fields of 8 bits read no masks, the picture is refused later",
       {.BitCount = 8, .Compression = 3, .TableEntries = 256, .Pixels = Pattern(8)}, 256, 8},
      {"masks inside a header of BI_RGB are not used",
       {.HeaderSize = 124, .BitCount = 32, .HeaderTail = {1, 2, 3}, .Pixels = Pattern(32)}, 0, 32},
      {"a header longer than any known one is skipped whole",
       {.HeaderSize = 300, .Pixels = Pattern(24)}, 0, 24},
      {"a file shorter than its image size reads what is there", {.Pixels = Pattern(10)}, 0, 10},
      {"an image size smaller than the rows reads only that many",
       {.SizeImage = 5, .Pixels = Pattern(24)}, 0, 5},
      {"an image size beyond a short file reads what is there",
       {.SizeImage = 0x7FFFFFF0, .Pixels = Pattern(24)}, 0, 24},
      {"no pixel bytes at all", {}, 0, 0},
      {"an image size past the pixel memory reads only what fits",
       {.SizeImage = 26, .Pixels = Pattern(26)}, 0, 24},
      {"an image size 0 with trailing bytes reads only what fits", {.Pixels = Pattern(30)}, 0, 24},
      {"run-length 8 bits reads the encoded size",
       {.BitCount = 8, .Compression = 1, .SizeImage = 6, .TableEntries = 256, .Pixels = Pattern(9)},
       256, 6},
  };
  for (const Case& c : cases) {
    const TBytes bytes = c.file.Bytes();
    TMemoryViewStream stream(bytes.data(), static_cast<std::int64_t>(bytes.size()));
    try {
      const TBmpPrologue p = ReadBmpPrologue(stream, stream.Size());
      EXPECT_EQ(static_cast<std::int64_t>(p.Colours.size()), c.colours) << c.name;
      EXPECT_EQ(p.Header.biClrUsed, c.colours) << c.name;
      EXPECT_EQ(p.PixelBytes, c.pixelBytes) << c.name;
      EXPECT_EQ(p.FromCoreHeader, c.fromCore) << c.name;
      EXPECT_EQ(p.Masks, c.masks) << c.name;
      EXPECT_EQ(stream.Position(), c.file.PixelOffset()) << c.name << ": not at the first pixel";
    } catch (const Exception& e) {
      ADD_FAILURE() << c.name << ": " << e.ClassName() << " " << e.Message();
    }
  }
}

TEST(BmpPrologue, RefusesMalformedFiles) {
  struct Case {
    const char* name;
    TBmpFields file;
    const char* message;  // kRead: EReadError, kInvalid: EInvalidGraphic
  };
  const Case cases[] = {
      {"1 byte", {.Length = 1}, kRead},
      {"13 bytes", {.Length = 13}, kRead},
      {"another file type", {.Pixels = Pattern(24), .Type = 0x4142}, kInvalid},
      {"the stream ends inside the header size", {.Length = 16}, kInvalid},
      {"the stream ends inside the header", {.Length = 40}, kInvalid},
      {"the stream ends inside a core header", {.HeaderSize = 12, .Length = 22}, kInvalid},
      {"a header size of 16", {.HeaderSize = 16}, kInvalid},
      {"a header size of 0", {.HeaderSize = 0}, kInvalid},
      {"a header size of 4 GiB", {.HeaderSize = 0xFFFFFFFF}, kInvalid},
      {"planes 2", {.Planes = 2, .Pixels = Pattern(24)}, kInvalid},
      {"core planes 0", {.HeaderSize = 12, .Planes = 0, .Pixels = Pattern(24)}, kInvalid},
      {"257 colours", {.BitCount = 8, .ColoursUsed = 257, .TableEntries = 257}, kInvalid},
      {"a colour count that would overflow", {.BitCount = 8, .ColoursUsed = 0x40000001}, kInvalid},
      {"the stream ends inside the colour table", {.BitCount = 8, .TableEntries = 255}, kRead},
      {"the stream ends inside the masks", {.BitCount = 16, .Compression = 3, .Length = 60}, kRead},
      {"bit fields in a 44-byte header",
       {.HeaderSize = 44, .BitCount = 16, .Compression = 3, .Pixels = Pattern(16)}, kInvalid},
      {"width 0", {.Width = 0}, kInvalid},
      {"negative width", {.Width = -4, .Pixels = Pattern(24)}, kInvalid},
      {"height 0", {.Height = 0}, kInvalid},
      {"the most negative height", {.Height = INT32_MIN}, kInvalid},
      {"pixel memory over 2 GiB", {.Width = 30000, .Height = 30000}, kInvalid},
      {"pixel memory beyond 64 bits of bits",
       {.Width = 0x7FFFFFFF, .Height = 0x7FFFFFFF, .BitCount = 0xFFFF}, kInvalid},
      {"a run-length picture whose screen form is over 2 GiB",
       {.Width = 40000, .Height = 20000, .BitCount = 8, .Compression = 1, .TableEntries = 256},
       kInvalid},
      {"run-length 8 at 4 bits", {.BitCount = 4, .Compression = 1, .TableEntries = 16}, kInvalid},
      {"run-length 4 at 8 bits", {.BitCount = 8, .Compression = 2, .TableEntries = 256}, kInvalid},
      {"run-length top-down",
       {.Height = -2, .BitCount = 8, .Compression = 1, .TableEntries = 256, .Pixels = Pattern(4)},
       kInvalid},
  };
  for (const Case& c : cases) {
    const TBytes bytes = c.file.Bytes();
    TMemoryViewStream stream(bytes.data(), static_cast<std::int64_t>(bytes.size()));
    ExpectFailure<Exception>([&] { ReadBmpPrologue(stream, stream.Size()); }, c.message, c.name,
                             c.message == kRead ? "EReadError" : "EInvalidGraphic");
  }
}

TEST(BmpPrologue, CoreTableIsWidenedWithAZeroFourthByte) {
  const TBytes bytes = TBmpFields{.HeaderSize = 12, .BitCount = 1, .TableEntries = 2}.Bytes();
  TMemoryViewStream stream(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  const TBmpPrologue p = ReadBmpPrologue(stream, stream.Size());
  ASSERT_EQ(p.Colours.size(), 2u);
  std::uint32_t entry;
  std::memcpy(&entry, &p.Colours[1], 4);
  EXPECT_EQ(entry, Colour(1));
}

TEST(BmpPrologue, ReadsOnlyTheBytesItIsGiven) {
  // A picture stored inside other data: the count given ends it, not the stream.
  TBytes bytes = TBmpFields{.BitCount = 8, .TableEntries = 256}.Bytes();
  bytes.resize(bytes.size() + 100, 0);
  TMemoryViewStream stream(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  ExpectFailure<EReadError>([&] { ReadBmpPrologue(stream, 54 + 1000); }, kRead,
                            "the colour table passes the end of the given bytes");
  stream.SetPosition(0);
  EXPECT_EQ(ReadBmpPrologue(stream, 54 + 1024 + 3).PixelBytes, 3);
}

// ---- writing

TBytes Written(const TBmpImage& image) {
  TMemoryStream stream;
  WriteBmp(stream, image);
  EXPECT_EQ(stream.Size(), BmpFileSize(image));
  return TBytes(stream.Memory(), stream.Memory() + stream.Size());
}

TEST(BmpWriting, LayoutsPutPixelsAfterHeaderMasksAndTable) {
  struct Case {
    const char* name;
    TBitmapInfoHeader header;
    int colours;
    bool core;
    std::uint32_t offset;      // expected offset field, also where the pixels start
    std::uint32_t headerSize;  // expected header size field
    std::uint32_t pixelBytes;
  };
  const Case cases[] = {
      {"32-bit bit fields with a table", InfoHeader(1, 1, 32, 3), 4, false, 66 + 16, 40, 4},
      {"core 8 bits writes the full 3-byte table", InfoHeader(4, 2, 8), 100, true, 794, 12, 8},
      {"core 4 bits", InfoHeader(4, 2, 4), 2, true, 26 + 48, 12, 8},
      {"core 24 bits with a palette writes no table", InfoHeader(4, 2, 24), 8, true, 26, 12, 24},
      // What a core header cannot hold is written in the info layout.
      {"core with bit fields", InfoHeader(2, 2, 16, 3), 0, true, 66, 40, 8},
      {"core top-down", InfoHeader(4, -2, 24), 0, true, 54, 40, 24},
      {"core wider than 65535", InfoHeader(70000, 1, 1), 2, true, 62, 40, 8752},
  };
  for (const Case& c : cases) {
    std::vector<TRGBQuad> colours;
    for (int i = 0; i < c.colours; ++i)
      colours.push_back({static_cast<std::uint8_t>(i + 1), 1, 2, 0});
    const TBytes pixels(c.pixelBytes, 0xAB);
    TBmpImage image;
    image.Header = c.header;
    image.Header.biClrUsed = static_cast<std::uint32_t>(c.colours);
    image.Masks = {0xF800, 0x07E0, 0x001F};
    image.Colours = colours;
    image.CoreLayout = c.core;
    image.Pixels = pixels.data();
    const TBytes b = Written(image);
    ASSERT_EQ(b.size(), c.offset + c.pixelBytes) << c.name;
    EXPECT_EQ(Get32(b, 2), b.size()) << c.name << ": file size field";
    EXPECT_EQ(Get32(b, 10), c.offset) << c.name << ": offset field";
    EXPECT_EQ(Get32(b, 14), c.headerSize) << c.name;
    EXPECT_NE(b[c.offset - 1], 0xAB) << c.name << ": pixels begin exactly at the offset";
    if (c.headerSize == 40) {
      EXPECT_EQ(Get32(b, 34), c.pixelBytes) << c.name << ": image size";
      EXPECT_EQ(Get32(b, 46), static_cast<std::uint32_t>(c.colours)) << c.name << ": colours used";
      continue;
    }
    EXPECT_EQ(Get16(b, 18), c.header.biWidth) << c.name;
    EXPECT_EQ(Get16(b, 20), c.header.biHeight) << c.name;
    EXPECT_EQ(Get16(b, 24), c.header.biBitCount) << c.name;
    // A core table holds 3 bytes per colour, then zeros up to 2^bits entries.
    TBytes table(c.offset - 26, 0);
    for (std::size_t i = 0; i < static_cast<std::size_t>(c.colours) && 3 * i < table.size(); ++i) {
      table[3 * i] = static_cast<std::uint8_t>(i + 1), table[3 * i + 1] = 1, table[3 * i + 2] = 2;
    }
    EXPECT_EQ(Hex(TBytes(b.begin() + 26, b.begin() + c.offset)), Hex(table)) << c.name;
  }
}

TEST(BmpWriting, AShortWriteFailsWithTheStreamMessage) {
  // A stream that takes at most `Limit` bytes, like a full disk.
  class TLimitedStream : public TMemoryStream {
   public:
    explicit TLimitedStream(std::int64_t limit) : Limit_(limit) {}
    std::int64_t Write(const void* buffer, std::int64_t count) override {
      const std::int64_t room = std::max<std::int64_t>(0, Limit_ - Size());
      return TMemoryStream::Write(buffer, std::min(count, room));
    }
    std::int64_t Limit_;
  };
  const TBytes pixels(24);
  TBmpImage image;
  image.Header = InfoHeader(3, 2, 24);
  image.Pixels = pixels.data();
  for (const std::int64_t limit : {0, 13, 53, 77}) {
    TLimitedStream stream(limit);
    ExpectFailure<EWriteError>([&] { WriteBmp(stream, image); }, "ストリームへの書き込みエラー",
                               "room for " + std::to_string(limit) + " bytes");
    EXPECT_EQ(stream.Size(), limit) << "what was written stays written";
  }
}

}  // namespace
