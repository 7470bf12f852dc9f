// The raster engine: engine bitmaps, the pixel-format table and the making of bitmaps from a
// description.
#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "image/make_bitmap.h"
#include "image/nearest_colour.h"
#include "image/palette.h"
#include "image/pixel_format.h"
#include "image/raster_bitmap.h"
#include "image_fixtures.h"
#include "rtl/exception.h"

namespace {

using image_fixtures::Hex;
using image_fixtures::MakeSection;
using image_fixtures::Noise;
using image_fixtures::TSectionSpec;
using TBytes = std::vector<std::uint8_t>;

constexpr char kInvalidBitmap[] = "ビットマップイメージが不正です";

TBitmapInfoHeader Header(int width, int height, int bits, std::uint32_t compression = BI_RGB) {
  TBitmapInfoHeader h{};
  h.biSize = 40;
  h.biWidth = width;
  h.biHeight = height;
  h.biPlanes = 1;
  h.biBitCount = static_cast<std::uint16_t>(bits);
  h.biCompression = compression;
  return h;
}

// The picture of `bitmap` converted into a new bottom-up 24-bit section, as rows from the top of
// 3 x width bytes.
std::vector<TBytes> To24(const TRasterBitmap& bitmap) {
  TDIBSection d{};
  d.dsBmih = Header(bitmap.Width(), bitmap.Height(), 24);
  TRasterBitmapPtr made = MakeBitmap(&bitmap, nullptr, d);
  std::vector<TBytes> rows;
  for (int y = 0; y < made->Height(); ++y) {
    rows.emplace_back(made->Row(y), made->Row(y) + 3 * made->Width());
  }
  return rows;
}

std::string Show(const std::vector<TBytes>& rows) {
  std::string text;
  for (const TBytes& row : rows) {
    text += '[';
    text += Hex(row);
    text += "] ";
  }
  return text;
}

TEST(RasterBitmap, RefusesWhatItCannotMake) {
  struct Case {
    const char* what;
    TBitmapInfoHeader header;
  };
  const Case cases[] = {
      {"width 0", Header(0, 1, 24)},
      {"negative width", Header(-3, 1, 24)},
      {"height 0", Header(1, 0, 24)},
      {"bit count 2", Header(1, 1, 2)},
      {"bit count 15", Header(1, 1, 15)},
      {"bit count 0", Header(1, 1, 0)},
      {"run-length 8", Header(4, 4, 8, BI_RLE8)},
      {"run-length 4", Header(4, 4, 4, BI_RLE4)},
      {"bit fields at 24 bits", Header(4, 4, 24, BI_BITFIELDS)},
      {"bit fields at 8 bits", Header(4, 4, 8, BI_BITFIELDS)},
      {"unknown compression", Header(4, 4, 24, 9)},
      {"a row longer than the memory limit", Header(0x7FFFFFFF, 1, 32)},
      {"rows that overflow 32 bits", Header(65536, 65536, 32)},
      {"rows that overflow 64 bits", Header(0x7FFFFFFF, 0x7FFFFFFF, 32)},
      {"most negative height", Header(1, INT32_MIN, 24)},
  };
  for (const Case& c : cases) {
    try {
      TRasterBitmap::CreateSection(c.header, nullptr, {});
      ADD_FAILURE() << c.what << ": made a section";
    } catch (const EInvalidGraphic& e) {
      EXPECT_EQ(e.Message(), kInvalidBitmap) << c.what;
    }
  }
  const int sizes[][2] = {{0, 1}, {1, 0}, {-1, 5}, {0x7FFFFFFF, 2}};
  for (const auto& size : sizes) {
    EXPECT_THROW(TRasterBitmap::CreateDevice(size[0], size[1], false), EInvalidGraphic)
        << size[0] << " x " << size[1];
  }
}

TEST(RasterBitmap, RowLengthsAndImageSizes) {
  struct Case {
    int width, height, bits;
    std::int64_t rowLength;
  };
  const Case cases[] = {
      {1, 3, 24, 4},  {4, 1, 24, 12}, {5, 2, 24, 16}, {1, 1, 1, 4},  {32, 1, 1, 4},
      {33, 2, 1, 8},  {9, 1, 4, 8},   {3, 1, 16, 8},  {2, 1, 16, 4}, {3, 2, 32, 12},
      {7, 1, 8, 8},   {-5, 1, 24, 16},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DIBRowLength(c.width, c.bits), c.rowLength) << c.width << " x " << c.bits;
    if (c.width <= 0) continue;
    TRasterBitmapPtr section = TRasterBitmap::CreateSection(Header(c.width, c.height, c.bits), nullptr, {});
    EXPECT_EQ(section->RowLength(), c.rowLength) << c.width << " x " << c.bits;
    EXPECT_EQ(section->ImageSize(), c.rowLength * c.height);
    EXPECT_EQ(section->Description().dsBmih.biSizeImage, c.rowLength * c.height);
    EXPECT_EQ(section->Description().dsBm.bmWidthBytes, c.rowLength);
  }
  EXPECT_EQ(TRasterBitmap::CreateDevice(17, 2, true)->RowLength(), 4);
  EXPECT_EQ(TRasterBitmap::CreateDevice(3, 2, false)->RowLength(), 12);
}

TEST(RasterBitmap, RowsAreCountedFromTheTopInEitherOrder) {
  for (int height : {3, -3}) {
    TRasterBitmapPtr section = TRasterBitmap::CreateSection(Header(2, height, 24), nullptr, {});
    const std::uint8_t* bits = section->Bits();
    const bool bottomUp = height > 0;
    EXPECT_EQ(section->Height(), 3);
    EXPECT_EQ(section->Row(0), bits + (bottomUp ? 2 * 8 : 0)) << "height " << height;
    EXPECT_EQ(section->Row(2), bits + (bottomUp ? 0 : 2 * 8)) << "height " << height;
  }
  TRasterBitmapPtr device = TRasterBitmap::CreateDevice(2, 3, false);
  EXPECT_EQ(device->Row(0), device->Bits());
  EXPECT_FALSE(device->IsSection());
  EXPECT_EQ(device->Description().dsBm.bmBits, nullptr);
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
    TBitmapInfoHeader h = Header(1, 1, c.bits);
    h.biClrUsed = c.coloursUsed;
    TRasterBitmapPtr section = TRasterBitmap::CreateSection(h, nullptr, three);
    const auto table = section->ColorTable();
    ASSERT_EQ(table.size(), c.entries) << c.bits << " bits, colours used " << c.coloursUsed;
    for (std::size_t i = 0; i < table.size(); ++i) {
      const TRGBQuad expected = i < three.size() ? three[i] : TRGBQuad{0, 0, 0, 0};
      EXPECT_EQ(table[i], expected) << "entry " << i;
    }
  }
}

TEST(PixelFormats, EveryLayoutConvertsToTwentyFourBits) {
  const std::vector<TRGBQuad> table{{0, 0, 255, 0}, {255, 0, 0, 0}, {0, 255, 0, 0}, {9, 8, 7, 0}};
  struct Case {
    const char* what;
    TSectionSpec shape;
    TBytes bytes;               // memory order
    std::vector<TBytes> rows;   // 24-bit rows from the top
  };
  const Case cases[] = {
      {"1 bit through the table", {1, 3, 1, BI_RGB, {}, table}, {0b10100000},
       {{255, 0, 0, 0, 0, 255, 255, 0, 0}}},
      {"4 bits through the table", {4, 3, 1, BI_RGB, {}, table}, {0x13, 0x20},
       {{255, 0, 0, 9, 8, 7, 0, 255, 0}}},
      {"8 bits through the table", {8, 3, 1, BI_RGB, {}, table}, {3, 0, 2},
       {{9, 8, 7, 0, 0, 255, 0, 255, 0}}},
      {"8-bit index beyond the table is black", {8, 2, 1, BI_RGB, {}, table}, {1, 200},
       {{255, 0, 0, 0, 0, 0}}},
      {"5-5-5 widened by replication", {16, 4, 1},
       {0xFF, 0x7F, 0x00, 0x7C, 0x01, 0x00, 0x00, 0x02},
       {{255, 255, 255, 0, 0, 255, 8, 0, 0, 0, 132, 0}}},
      {"5-6-5 widened by replication", {16, 4, 1, BI_BITFIELDS, {0xF800, 0x07E0, 0x001F}},
       {0xE0, 0x07, 0x20, 0x00, 0x00, 0xF8, 0x41, 0x08},
       {{0, 255, 0, 0, 4, 0, 0, 0, 255, 8, 8, 8}}},
      {"4-4-4 custom masks", {16, 2, 1, BI_BITFIELDS, {0x0F00, 0x00F0, 0x000F}},
       {0x00, 0x0F, 0x1A, 0x00},
       {{0, 0, 255, 0xAA, 0x11, 0}}},
      {"24 bits as they are", {24, 2, 2}, {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0},
       {{7, 8, 9, 10, 11, 12}, {1, 2, 3, 4, 5, 6}}},
      {"24 bits top-down", {24, 1, -2}, {1, 2, 3, 0, 4, 5, 6, 0}, {{1, 2, 3}, {4, 5, 6}}},
      {"32 bits drop the fourth byte", {32, 2, 1}, {10, 20, 30, 40, 50, 60, 70, 255},
       {{10, 20, 30, 50, 60, 70}}},
      {"32-bit masks in another order", {32, 1, 1, BI_BITFIELDS, {0xFF, 0xFF00, 0xFF0000}},
       {10, 20, 30, 0}, {{30, 20, 10}}},
      {"32-bit ten-bit fields keep their top bits",
       {32, 1, 1, BI_BITFIELDS, {0x3FF00000, 0x000FFC00, 0x000003FF}},
       // red 0x3FF, green 0x200, blue 0x004
       {0x04, 0x00, 0xF8, 0x3F}, {{0x01, 0x80, 0xFF}}},
  };
  for (const Case& c : cases) {
    TRasterBitmapPtr source = MakeSection(c.shape, c.bytes);
    const std::vector<TBytes> actual = To24(*source);
    EXPECT_EQ(actual, c.rows) << c.what << "\nexpected " << Show(c.rows) << "\nactual   "
                              << Show(actual);
  }
}

TEST(PixelFormats, DeviceFormsConvertToTwentyFourBits) {
  TRasterBitmapPtr screen = TRasterBitmap::CreateDevice(2, 2, false);
  const TBytes pixels{1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0, 10, 11, 12, 0};
  std::memcpy(screen->Bits(), pixels.data(), pixels.size());
  const std::vector<TBytes> screenRows{{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}};
  EXPECT_EQ(To24(*screen), screenRows) << Show(To24(*screen));

  TRasterBitmapPtr mono = TRasterBitmap::CreateDevice(3, 2, true);
  mono->Bits()[0] = 0b10100000;  // top row: white, black, white
  mono->Bits()[2] = 0b01000000;  // second row: black, white, black
  const std::vector<TBytes> monoRows{{255, 255, 255, 0, 0, 0, 255, 255, 255},
                                     {0, 0, 0, 255, 255, 255, 0, 0, 0}};
  EXPECT_EQ(To24(*mono), monoRows) << Show(To24(*mono));
}

TEST(PixelFormats, PartialCopiesTouchOnlyTheirPixels) {
  // A 2 x 2 white picture copied onto the top-left of a 5 x 3 target whose memory holds 0xAA
  // everywhere: every other pixel, every padding byte and every bit beside the copied pixels
  // keeps its value.
  TRasterBitmapPtr white = MakeSection({24, 2, 2}, TBytes(16, 0xFF));
  const std::vector<TRGBQuad> blackWhite{{0, 0, 0, 0}, {255, 255, 255, 0}};
  const std::vector<TRGBQuad> sixteen = StandardPalette16()->ColorTable();
  struct Case {
    const char* what;
    TSectionSpec target;
    std::vector<std::pair<int, std::uint8_t>> changed;  // offset, byte, in memory order
  };
  // Bottom-up, 3 rows: the top two picture rows are memory rows 2 and 1.
  const Case cases[] = {
      {"24 bits", {24, 5, 3},
       {{16, 0xFF}, {17, 0xFF}, {18, 0xFF}, {19, 0xFF}, {20, 0xFF}, {21, 0xFF},
        {32, 0xFF}, {33, 0xFF}, {34, 0xFF}, {35, 0xFF}, {36, 0xFF}, {37, 0xFF}}},
      {"1 bit", {1, 5, 3, BI_RGB, {}, blackWhite}, {{4, 0xEA}, {8, 0xEA}}},
      {"4 bits", {4, 5, 3, BI_RGB, {}, sixteen}, {{4, 0xFF}, {8, 0xFF}}},
  };
  for (const Case& c : cases) {
    TRasterBitmapPtr target = MakeSection(c.target);
    std::memset(target->Bits(), 0xAA, static_cast<std::size_t>(target->ImageSize()));
    TBytes expected(static_cast<std::size_t>(target->ImageSize()), 0xAA);
    for (const auto& [offset, byte] : c.changed) expected[static_cast<std::size_t>(offset)] = byte;
    ConvertPixels(*white, *target, 2, 2);
    const TBytes actual(target->Bits(), target->Bits() + target->ImageSize());
    EXPECT_EQ(actual, expected) << c.what << "\nexpected " << Hex(expected) << "\nactual   "
                                << Hex(actual);
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
      {{0, 0, 0, 0}, 0},       {{255, 255, 255, 0}, 1}, {{0, 0, 255, 0}, 2},
      {{0, 0, 200, 0}, 2},     {{10, 10, 10, 0}, 0},    {{200, 200, 200, 0}, 1},
      {{0, 100, 0, 0}, 4},     {{0, 64, 0, 0}, 0},      {{0, 0, 255, 99}, 2},
  };
  for (int pass = 0; pass < 2; ++pass) {  // the second pass answers from the cache
    for (const Case& c : cases) {
      EXPECT_EQ(nearest(c.colour), c.index)
          << "colour " << int(c.colour.rgbRed) << "," << int(c.colour.rgbGreen) << ","
          << int(c.colour.rgbBlue) << " pass " << pass;
    }
  }
  TNearestColour none({});
  EXPECT_EQ(none({1, 2, 3, 0}), 0);
}

TEST(Palettes, StandardAndFixedPalettes) {
  const TPaletteHandle& standard = StandardPalette16();
  ASSERT_EQ(standard->Count(), 16);
  EXPECT_EQ(standard->Entries()[0], (TPaletteEntry{0, 0, 0, 0}));
  EXPECT_EQ(standard->Entries()[15], (TPaletteEntry{255, 255, 255, 0}));
  EXPECT_EQ(CopyPalette(standard), standard) << "the standard palette is referenced, not copied";

  const TPaletteHandle fixed = MakeHalftonePalette();
  ASSERT_EQ(fixed->Count(), 256);
  std::set<std::uint32_t> colours;
  for (const TPaletteEntry& e : fixed->Entries()) {
    colours.insert((std::uint32_t{e.peRed} << 16) | (std::uint32_t{e.peGreen} << 8) | e.peBlue);
  }
  EXPECT_EQ(colours.size(), 256u) << "every colour of the fixed palette is distinct";
  EXPECT_TRUE(colours.count(0x000000) && colours.count(0xFFFFFF) && colours.count(0x666666));

  const TPaletteHandle copy = CopyPalette(fixed);
  EXPECT_NE(copy, fixed);
  EXPECT_TRUE(std::equal(copy->Entries().begin(), copy->Entries().end(), fixed->Entries().begin()));

  const std::vector<TRGBQuad> table{{1, 2, 3, 0}, {4, 5, 6, 0}};
  const TPaletteHandle fromTable = PaletteFromColorTable(table);
  ASSERT_EQ(fromTable->Count(), 2);
  EXPECT_EQ(fromTable->Entries()[1], (TPaletteEntry{6, 5, 4, 0}));
  EXPECT_EQ(fromTable->ColorTable(), table);
  EXPECT_EQ(PaletteFromColorTable({}), nullptr);
}

TEST(MakeBitmap, MakesNothingForAnEmptySize) {
  struct Case {
    const char* what;
    TDIBSection description;
  };
  TDIBSection headerWidth0{};
  headerWidth0.dsBmih = Header(0, 5, 24);
  headerWidth0.dsBm.bmWidth = 7;
  headerWidth0.dsBm.bmHeight = 7;
  TDIBSection headerHeight0 = headerWidth0;
  headerHeight0.dsBmih = Header(5, 0, 24);
  TDIBSection noHeader{};
  noHeader.dsBm.bmWidth = 0;
  noHeader.dsBm.bmHeight = 4;
  const Case cases[] = {{"header width 0", headerWidth0},
                        {"header height 0", headerHeight0},
                        {"no header and BITMAP width 0", noHeader}};
  TRasterBitmapPtr source = MakeSection({24, 2, 2});
  for (const Case& c : cases) {
    TDIBSection d = c.description;
    const std::int64_t made = TRasterBitmap::MadeCount();
    EXPECT_EQ(MakeBitmap(source.get(), nullptr, d), nullptr) << c.what;
    EXPECT_EQ(std::memcmp(&d, &c.description, sizeof d), 0) << c.what << ": description changed";
    EXPECT_EQ(TRasterBitmap::MadeCount(), made) << c.what;
  }
}

TEST(MakeBitmap, ASizeChangeFillsTheNewAreaWithWhite) {
  TRasterBitmapPtr source = MakeSection({24, 1, 1}, {10, 20, 30});
  TDIBSection d{};
  d.dsBmih = Header(2, 2, 24);
  TRasterBitmapPtr made = MakeBitmap(source.get(), nullptr, d);
  const std::vector<TBytes> rows{{made->Row(0), made->Row(0) + 6}, {made->Row(1), made->Row(1) + 6}};
  const std::vector<TBytes> expected{{10, 20, 30, 255, 255, 255}, {255, 255, 255, 255, 255, 255}};
  EXPECT_EQ(rows, expected) << Show(rows);
  EXPECT_EQ(d.dsBm.bmBits, made->Bits()) << "the description is refreshed from the new bitmap";
  EXPECT_EQ(d.dsBmih.biSizeImage, 16u);
}

TEST(MakeBitmap, DeviceTargetsAndTheirDescriptions) {
  TRasterBitmapPtr source = MakeSection({24, 2, 1}, {0, 0, 0, 255, 255, 255});
  struct Case {
    std::uint16_t planes, bits;
    bool monochrome;
  };
  for (const Case c : {Case{1, 1, true}, Case{1, 32, false}, Case{1, 24, false}}) {
    TDIBSection d{};
    d.dsBm.bmWidth = 2;
    d.dsBm.bmHeight = 1;
    d.dsBm.bmPlanes = c.planes;
    d.dsBm.bmBitsPixel = c.bits;
    TRasterBitmapPtr made = MakeBitmap(source.get(), nullptr, d);
    ASSERT_NE(made, nullptr);
    EXPECT_FALSE(made->IsSection());
    EXPECT_EQ(made->IsMonochrome(), c.monochrome) << c.bits << " bits asked";
    EXPECT_EQ(d.dsBmih.biSize, 0u) << "only the BITMAP part is refreshed";
    EXPECT_EQ(d.dsBm.bmBitsPixel, c.monochrome ? 1 : 32);
    EXPECT_EQ(To24(*made), (std::vector<TBytes>{{0, 0, 0, 255, 255, 255}})) << c.bits;
  }
}

TEST(MakeBitmap, OneBitTablesFollowTheSource) {
  // From a device bitmap (or nothing) a 1-bit section is black and white; from an indexed
  // section it takes the target palette, else the source's own table.
  TRasterBitmapPtr device = TRasterBitmap::CreateDevice(1, 1, false);
  const std::vector<TRGBQuad> own{{1, 1, 1, 0}, {2, 2, 2, 0}};
  TRasterBitmapPtr indexed = MakeSection({1, 1, 1, BI_RGB, {}, own});
  const TPaletteHandle palette = PaletteFromColorTable(std::vector<TRGBQuad>{{3, 3, 3, 0}, {4, 4, 4, 0}});
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
      {"section, target palette", indexed.get(), palette, {{3, 3, 3, 0}, {4, 4, 4, 0}}},
      {"section, own table", indexed.get(), nullptr, own},
  };
  for (const Case& c : cases) {
    TDIBSection d{};
    d.dsBmih = Header(1, 1, 1);
    TRasterBitmapPtr made = MakeBitmap(c.source, c.palette, d);
    const auto table = made->ColorTable();
    EXPECT_EQ(std::vector<TRGBQuad>(table.begin(), table.end()), c.table) << c.what;
  }
}

TEST(RasterBitmap, DuplicatesAreExactAndCounted) {
  TRasterBitmapPtr source =
      MakeSection({32, 3, -2, BI_BITFIELDS, {0xFF0000, 0xFF00, 0xFF}}, Noise(24, 8));
  const std::int64_t live = TRasterBitmap::LiveCount();
  const std::int64_t made = TRasterBitmap::MadeCount();
  {
    TRasterBitmapPtr copy = source->Duplicate();
    EXPECT_EQ(TRasterBitmap::LiveCount(), live + 1);
    EXPECT_EQ(TRasterBitmap::MadeCount(), made + 1);
    EXPECT_NE(copy->Bits(), source->Bits());
    EXPECT_EQ(copy->Description().dsBm.bmBits, copy->Bits());
    EXPECT_EQ(copy->Description().dsBmih, source->Description().dsBmih);
    EXPECT_EQ(std::memcmp(copy->Description().dsBitfields, source->Description().dsBitfields, 12), 0);
    EXPECT_EQ(TBytes(copy->Bits(), copy->Bits() + 24), TBytes(source->Bits(), source->Bits() + 24));
  }
  EXPECT_EQ(TRasterBitmap::LiveCount(), live);
}

}  // namespace
