// The raster engine: engine bitmaps, the pixel-format table and the making of bitmaps from a
// description.
#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "image/raster/make_bitmap.h"
#include "image/raster/nearest_colour.h"
#include "image/raster/palette.h"
#include "image/raster/pixel_format.h"
#include "image/raster/raster_bitmap.h"
#include "image_fixtures.h"
#include "rtl/exception.h"

namespace {

using namespace image_fixtures;

// The picture of `bitmap` converted into a new 24-bit section, as rows from the top.
std::vector<TBytes> To24(const TRasterBitmap& bitmap) {
  TDIBSection d{};
  d.dsBmih = InfoHeader(bitmap.Width(), bitmap.Height(), 24);
  TRasterBitmapPtr made = MakeBitmap(&bitmap, nullptr, d);
  std::vector<TBytes> rows;
  for (int y = 0; y < made->Height(); ++y)
    rows.emplace_back(made->Row(y), made->Row(y) + 3 * made->Width());
  return rows;
}

TEST(RasterBitmap, RefusesWhatItCannotMake) {
  struct Case {
    const char* what;
    int width, height, bits;
    std::uint32_t compression = BI_RGB;
  };
  const Case cases[] = {
      {"width 0", 0, 1, 24},         {"negative width", -3, 1, 24},  {"height 0", 1, 0, 24},
      {"bit count 2", 1, 1, 2},      {"bit count 15", 1, 1, 15},     {"bit count 0", 1, 1, 0},
      {"RLE8", 4, 4, 8, BI_RLE8},    {"RLE4", 4, 4, 4, BI_RLE4},     {"compression 9", 4, 4, 24, 9},
      {"bit fields at 24 bits", 4, 4, 24, BI_BITFIELDS}, {"at 8 bits", 4, 4, 8, BI_BITFIELDS},
      {"a row longer than the memory limit", 0x7FFFFFFF, 1, 32},
      {"rows that overflow 32 bits", 65536, 65536, 32},
      {"rows that overflow 64 bits", 0x7FFFFFFF, 0x7FFFFFFF, 32},
      {"most negative height", 1, INT32_MIN, 24},
  };
  for (const Case& c : cases) {
    const TBitmapInfoHeader header = InfoHeader(c.width, c.height, c.bits, c.compression);
    ExpectFailure<EInvalidGraphic>([&] { TRasterBitmap::CreateSection(header, nullptr, {}); },
                                   "ビットマップイメージが不正です", c.what);
  }
  for (const auto& [width, height] : {std::pair{0, 1}, {1, 0}, {-1, 5}, {0x7FFFFFFF, 2}}) {
    EXPECT_THROW(TRasterBitmap::CreateDevice(width, height, false), EInvalidGraphic)
        << width << " x " << height;
  }
}

TEST(RasterBitmap, ColourTableTakesColoursUsedOrTheFullDepth) {
  const std::vector<TRGBQuad> three{{1, 2, 3, 0}, {4, 5, 6, 0}, {7, 8, 9, 0}};
  struct Case {
    int bits;
    std::uint32_t coloursUsed;
    std::size_t entries;
  };
  const Case cases[] = {{1, 0, 2}, {4, 0, 16}, {8, 0, 256}, {8, 3, 3}, {4, 5, 5},
                        {1, 300, 2}, {24, 0, 0}, {16, 3, 0}};
  for (const Case& c : cases) {
    TBitmapInfoHeader h = InfoHeader(1, 1, c.bits);
    h.biClrUsed = c.coloursUsed;
    TRasterBitmapPtr section = TRasterBitmap::CreateSection(h, nullptr, three);
    const auto table = section->ColorTable();
    ASSERT_EQ(table.size(), c.entries) << c.bits << " bits, colours used " << c.coloursUsed;
    for (std::size_t i = 0; i < table.size(); ++i) {
      EXPECT_EQ(table[i], i < three.size() ? three[i] : TRGBQuad{}) << "entry " << i;
    }
  }
}

TEST(PixelFormats, EveryLayoutConvertsToTwentyFourBits) {
  const std::vector<TRGBQuad> table{{0, 0, 255, 0}, {255, 0, 0, 0}, {0, 255, 0, 0}, {9, 8, 7, 0}};
  struct Case {
    const char* what;
    TSectionShape shape;
    TBytes bytes;              // memory order
    std::vector<TBytes> rows;  // 24-bit rows from the top
  };
  const Case cases[] = {
      {"4 bits through the table", {4, 3, 1, BI_RGB, {}, table}, {0x13, 0x20},
       {{255, 0, 0, 9, 8, 7, 0, 255, 0}}},
      {"8-bit index beyond the table is black", {8, 2, 1, BI_RGB, {}, table}, {1, 200},
       {{255, 0, 0, 0, 0, 0}}},
      {"5-5-5 widened by replication", {16, 4, 1}, {0xFF, 0x7F, 0x00, 0x7C, 0x01, 0x00, 0x00, 0x02},
       {{255, 255, 255, 0, 0, 255, 8, 0, 0, 0, 132, 0}}},
      {"5-6-5 widened by replication", {16, 4, 1, BI_BITFIELDS, {0xF800, 0x07E0, 0x001F}},
       {0xE0, 0x07, 0x20, 0x00, 0x00, 0xF8, 0x41, 0x08},
       {{0, 255, 0, 0, 4, 0, 0, 0, 255, 8, 8, 8}}},
      {"32 bits drop the fourth byte", {32, 2, 1}, {10, 20, 30, 40, 50, 60, 70, 255},
       {{10, 20, 30, 50, 60, 70}}},
      // red 0x3FF, green 0x200, blue 0x004
      {"32-bit ten-bit fields keep their top bits",
       {32, 1, 1, BI_BITFIELDS, {0x3FF00000, 0x000FFC00, 0x000003FF}}, {0x04, 0x00, 0xF8, 0x3F},
       {{0x01, 0x80, 0xFF}}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(To24(*MakeSection(c.shape, c.bytes)), c.rows) << c.what;
  }
  // Rows wider than the pieces a conversion works in, to 24 bits and back: every pixel as the
  // slow way reads it, and the same indices again.
  constexpr int kWide = 2 * 4096 + 13;
  for (const int bits : {1, 4}) {
    const std::vector<TRGBQuad> colours = DefaultColorTable(bits);
    const TBytes bytes = Noise(static_cast<std::size_t>(DIBRowLength(kWide, bits)), 7);
    TRasterBitmapPtr indexed = MakeSection({bits, kWide, 1, BI_RGB, {}, colours}, bytes);
    TBytes expected;
    for (int x = 0; x < kWide; ++x) {
      const int index = (bytes[x * bits / 8] >> (8 - bits - x * bits % 8)) & ((1 << bits) - 1);
      const TRGBQuad& c = colours[static_cast<std::size_t>(index)];
      expected.insert(expected.end(), {c.rgbBlue, c.rgbGreen, c.rgbRed});
    }
    EXPECT_EQ(To24(*indexed), std::vector<TBytes>{expected}) << bits << " bits, wide";
    TRasterBitmapPtr back = MakeSection({bits, kWide, 1, BI_RGB, {}, colours});
    ConvertPixels(*MakeSection({24, kWide, 1}, expected), *back, kWide, 1);
    EXPECT_EQ(Hex(TBytes(back->Bits(), back->Bits() + kWide * bits / 8)),
              Hex(TBytes(bytes.begin(), bytes.begin() + kWide * bits / 8)))
        << bits << " bits, wide, back";
  }
}

TEST(PixelFormats, PartialCopiesTouchOnlyTheirPixels) {
  // A 2 x 2 white picture copied onto the top-left of a 5 x 3 target whose memory holds 0xAA
  // everywhere: every other pixel, padding byte and bit beside the copied pixels keeps its value.
  TRasterBitmapPtr white = MakeSection({24, 2, 2}, TBytes(16, 0xFF));
  struct Case {
    const char* what;
    TSectionShape target;
    std::vector<std::pair<int, std::uint8_t>> changed;  // offset, byte, in memory order
  };
  // Bottom-up, 3 rows: the top two picture rows are memory rows 2 and 1.
  const Case cases[] = {
      {"24 bits", {24, 5, 3},
       {{16, 0xFF}, {17, 0xFF}, {18, 0xFF}, {19, 0xFF}, {20, 0xFF}, {21, 0xFF},
        {32, 0xFF}, {33, 0xFF}, {34, 0xFF}, {35, 0xFF}, {36, 0xFF}, {37, 0xFF}}},
      {"1 bit", {1, 5, 3, BI_RGB, {}, {{0, 0, 0, 0}, {255, 255, 255, 0}}}, {{4, 0xEA}, {8, 0xEA}}},
      {"4 bits", {4, 5, 3, BI_RGB, {}, StandardPalette16()->ColorTable()}, {{4, 0xFF}, {8, 0xFF}}},
  };
  for (const Case& c : cases) {
    TRasterBitmapPtr target = MakeSection(c.target);
    const auto size = static_cast<std::size_t>(target->ImageSize());
    std::memset(target->Bits(), 0xAA, size);
    TBytes expected(size, 0xAA);
    for (const auto& [offset, byte] : c.changed) expected[static_cast<std::size_t>(offset)] = byte;
    ConvertPixels(*white, *target, 2, 2);
    EXPECT_EQ(Hex(TBytes(target->Bits(), target->Bits() + size)), Hex(expected)) << c.what;
  }
}

TEST(PixelFormats, PackingPicksTheNearestTableColour) {
  const std::vector<TRGBQuad> table{{0, 0, 0, 0}, {255, 255, 255, 0}, {0, 0, 255, 0},
                                    {0, 0, 255, 0}, {0, 128, 0, 0}};
  TNearestColour nearest(table);
  struct Case {
    TRGBQuad colour;
    int index;
  };
  const Case cases[] = {
      {{0, 0, 0, 0}, 0},   {{255, 255, 255, 0}, 1}, {{0, 0, 255, 0}, 2}, {{0, 0, 200, 0}, 2},
      {{10, 10, 10, 0}, 0}, {{200, 200, 200, 0}, 1}, {{0, 100, 0, 0}, 4}, {{0, 64, 0, 0}, 0},
      {{0, 0, 255, 99}, 2},
  };
  for (int pass = 0; pass < 2; ++pass) {  // the second pass answers from the cache
    for (const Case& c : cases) {
      EXPECT_EQ(nearest(c.colour), c.index)
          << "colour " << int(c.colour.rgbRed) << "," << int(c.colour.rgbGreen) << ","
          << int(c.colour.rgbBlue) << " pass " << pass;
    }
  }
  EXPECT_EQ(TNearestColour({})({1, 2, 3, 0}), 0);
}

TEST(Palettes, TheStandardPaletteIsSharedOthersAreCopied) {
  EXPECT_EQ(CopyPalette(StandardPalette16()), StandardPalette16());
  const TPaletteHandle fixed = MakeHalftonePalette();
  std::set<std::uint32_t> colours;
  for (const TPaletteEntry& e : fixed->Entries())
    colours.insert(std::uint32_t{e.peRed} << 16 | std::uint32_t{e.peGreen} << 8 | e.peBlue);
  EXPECT_EQ(colours.size(), 256u) << "every colour of the fixed palette is distinct";
  const TPaletteHandle copy = CopyPalette(fixed);
  EXPECT_NE(copy, fixed);
  EXPECT_EQ(copy->ColorTable(), fixed->ColorTable());
  const std::vector<TRGBQuad> table{{1, 2, 3, 0}, {4, 5, 6, 0}};
  EXPECT_EQ(PaletteFromColorTable(table)->Entries()[1], (TPaletteEntry{6, 5, 4, 0}));
  EXPECT_EQ(PaletteFromColorTable({}), nullptr);
}

TEST(MakeBitmap, DeviceTargetsAndTheirDescriptions) {
  TRasterBitmapPtr source = MakeSection({24, 2, 1}, {0, 0, 0, 255, 255, 255});
  for (const std::uint16_t bits : {std::uint16_t{1}, std::uint16_t{24}}) {
    TDIBSection d{};
    d.dsBm = {0, 2, 1, 0, 1, bits, nullptr};
    TRasterBitmapPtr made = MakeBitmap(source.get(), nullptr, d);
    ASSERT_NE(made, nullptr);
    EXPECT_FALSE(made->IsSection());
    EXPECT_EQ(d.dsBmih.biSize, 0u) << "only the BITMAP part is refreshed";
    EXPECT_EQ(d.dsBm.bmBitsPixel, bits == 1 ? 1 : 32) << bits << " bits asked";
    EXPECT_EQ(To24(*made), (std::vector<TBytes>{{0, 0, 0, 255, 255, 255}})) << bits;
  }
}

TEST(MakeBitmap, OneBitTablesFollowTheSource) {
  // From a device bitmap (or nothing) a 1-bit section is black and white; from an indexed
  // section it takes the target palette, else the source's own table.
  TRasterBitmapPtr device = TRasterBitmap::CreateDevice(1, 1, false);
  const std::vector<TRGBQuad> own{{1, 1, 1, 0}, {2, 2, 2, 0}}, other{{3, 3, 3, 0}, {4, 4, 4, 0}};
  TRasterBitmapPtr indexed = MakeSection({1, 1, 1, BI_RGB, {}, own});
  const TPaletteHandle palette = PaletteFromColorTable(other);
  const std::vector<TRGBQuad> blackWhite{{0, 0, 0, 0}, {255, 255, 255, 0}};
  struct Case {
    const char* what;
    const TRasterBitmap* source;
    TPaletteHandle palette;
    std::vector<TRGBQuad> table;
  };
  const Case cases[] = {
      {"device source, with a palette", device.get(), palette, blackWhite},
      {"no source", nullptr, nullptr, blackWhite},
      {"section, target palette", indexed.get(), palette, other},
      {"section, own table", indexed.get(), nullptr, own},
  };
  for (const Case& c : cases) {
    TDIBSection d{};
    d.dsBmih = InfoHeader(1, 1, 1);
    TRasterBitmapPtr made = MakeBitmap(c.source, c.palette, d);
    const auto table = made->ColorTable();
    EXPECT_EQ(std::vector<TRGBQuad>(table.begin(), table.end()), c.table) << c.what;
  }
}

}  // namespace
