// TBitmap: layouts, sharing with copy on write, row access, conversion, notifications.
#include "image/bitmap.h"

#include <gtest/gtest.h>

#include <cstring>

#include "image/raster/palette.h"
#include "image_fixtures.h"
#include "rtl/exception.h"

namespace {

using namespace image_fixtures;

TEST(Bitmap, SharingCopiesOnFirstWriteOnly) {
  const TBytes bytes = Noise(24, 1);  // 3 x 2, 24 bits
  TBitmap source;
  Load(source, MakeSection({24, 3, 2}, bytes));
  TBitmap a, b;
  const std::int64_t made = TRasterBitmap::MadeCount();
  a.Assign(&source);
  b.Assign(&source);
  a.SetPixelLayout(TPixelLayout::pl24Bit);
  b.SetPixelLayout(TPixelLayout::pl24Bit);
  EXPECT_EQ(TRasterBitmap::MadeCount(), made) << "assigning and keeping the layout copy nothing";
  EXPECT_EQ(source.Image().RefCount(), 3);

  (void)source.RowData(0);
  EXPECT_EQ(source.Image().RefCount(), 1) << "the source's own RowData gave it a copy";
  EXPECT_EQ(a.Image().RefCount(), 2);
  std::uint8_t* a0 = a.RowData(0);
  EXPECT_EQ(a.RowData(1), a0 - 12) << "later calls address the same memory, bottom row first";
  EXPECT_EQ(TRasterBitmap::MadeCount(), made + 2) << "one copy each, later calls copy nothing";
  std::memset(a0, 0x11, 9);
  std::memset(b.RowData(0), 0x22, 9);

  EXPECT_EQ(Memory(source), bytes) << "the source never changes";
  EXPECT_EQ(Rows24(a)[0], TBytes(9, 0x11));
  EXPECT_EQ(Rows24(b)[0], TBytes(9, 0x22));
  EXPECT_EQ(Rows24(a)[1], Rows24(b)[1]) << "the row nobody wrote is the same in both";
}

TEST(Bitmap, ConversionsOfASharedImageRoundTrip) {
  // Colours that stand in each target's colour table come back exactly.
  const auto fixed = MakeHalftonePalette()->ColorTable();
  const auto vga = StandardPalette16()->ColorTable();
  auto pictureOf = [](std::vector<TRGBQuad> colours) {
    TBytes bytes;
    for (const TRGBQuad& c : colours) bytes.insert(bytes.end(), {c.rgbBlue, c.rgbGreen, c.rgbRed});
    return bytes;
  };
  const TRGBQuad black{0, 0, 0, 0}, white{255, 255, 255, 0};
  struct Case {
    TPixelLayout layout;
    TBytes pixels;  // 4 pixels, one row
  };
  const Case cases[] = {
      {TPixelLayout::pl8Bit, pictureOf({fixed[0], fixed[17], fixed[200], fixed[253]})},
      {TPixelLayout::pl4Bit, pictureOf({vga[1], vga[7], vga[9], vga[15]})},
      {TPixelLayout::pl1Bit, pictureOf({black, white, white, black})},
      {TPixelLayout::pl15Bit, pictureOf({black, white, {132, 8, 0, 0}, {66, 255, 206, 0}})},
      {TPixelLayout::pl16Bit, pictureOf({black, white, {132, 4, 0, 0}, {66, 65, 206, 0}})},
      {TPixelLayout::pl32Bit, Noise(12, 77)},
      {TPixelLayout::plDevice, Noise(12, 77)},
  };
  for (const Case& c : cases) {
    TBitmap source, bitmap;
    Load(source, MakeSection({24, 4, 1}, c.pixels));
    bitmap.Assign(&source);
    const std::int64_t made = TRasterBitmap::MadeCount();
    bitmap.SetPixelLayout(c.layout);
    EXPECT_EQ(TRasterBitmap::MadeCount() - made, 1) << "the shared image is read, not copied first";
    EXPECT_EQ(bitmap.PixelLayout(), c.layout);
    EXPECT_EQ(source.PixelLayout(), TPixelLayout::pl24Bit) << "the shared source keeps its form";
    bitmap.SetPixelLayout(TPixelLayout::pl24Bit);
    const std::string through = "through " + ::testing::PrintToString(c.layout);
    EXPECT_EQ(Hex(Rows24(bitmap)[0]), Hex(c.pixels)) << through;
    EXPECT_EQ(Hex(Rows24(source)[0]), Hex(c.pixels)) << through << ": the shared source changed";
  }
}

TEST(Bitmap, CustomLayoutIsRefusedAndChangesNothing) {
  const TBytes bytes = Noise(16, 4);
  TBitmap bitmap;
  Load(bitmap, MakeSection({24, 2, 2}, bytes));
  TChangeCounter changes(bitmap);
  const TBitmapImage* image = &bitmap.Image();
  ExpectFailure<EInvalidGraphic>([&] { bitmap.SetPixelLayout(TPixelLayout::plCustom); },
                                 "画像フォーマットが不正です", "plCustom");
  EXPECT_EQ(&bitmap.Image(), image);
  EXPECT_EQ(bitmap.PixelLayout(), TPixelLayout::pl24Bit);
  EXPECT_EQ(Memory(bitmap), bytes);
  EXPECT_EQ(changes.Count, 0);
}

TEST(Bitmap, RowsOutsideThePictureAreRefused) {
  TBitmap source;
  Load(source, MakeSection({24, 2, 3}, Noise(24, 6)));
  const TBytes bytes = Memory(source);
  TBitmap shared, empty, empty24;
  shared.Assign(&source);
  empty24.SetPixelLayout(TPixelLayout::pl24Bit);
  struct Case {
    TBitmap* bitmap;
    int row;
  };
  const Case cases[] = {{&source, -1}, {&source, 3}, {&source, INT32_MIN}, {&source, INT32_MAX},
                        {&shared, 5},  {&empty, 0},   {&empty24, 0}};
  for (const Case& c : cases) {
    TChangeCounter changes(*c.bitmap);
    ExpectFailure<EInvalidGraphicOperation>([&] { (void)c.bitmap->RowData(c.row); },
                                            "スキャンライン のインデックスが範囲を越えました",
                                            "row " + std::to_string(c.row));
    EXPECT_EQ(changes.Count, 0) << "row " << c.row;
  }
  EXPECT_EQ(Memory(source), bytes);
  EXPECT_EQ(Memory(shared), bytes);
}

TEST(Bitmap, RowAddressesFollowTheRowOrderInMemoryAndCopiesKeepIt) {
  for (const int height : {3, -3}) {
    const bool bottomUp = height > 0;
    TBitmap bitmap;
    const TSectionShape shape{32, 2, height, BI_BITFIELDS, {0xFF, 0xFF00, 0xFF0000}};
    Load(bitmap, MakeSection(shape, Noise(24, 12)));
    const std::uint8_t* bits = bitmap.Image().SectionHandle()->Bits();
    EXPECT_EQ(bitmap.RowData(0), bits + (bottomUp ? 16 : 0)) << "height " << height;
    EXPECT_EQ(bitmap.RowData(2), bits + (bottomUp ? 0 : 16)) << "height " << height;

    // A private copy keeps the orientation, the masks and the pixels.
    TBitmap copy;
    copy.Assign(&bitmap);
    const std::uint8_t* row0 = copy.RowData(0);
    const TRasterBitmap* section = copy.Image().SectionHandle();
    EXPECT_NE(section->Bits(), bits);
    EXPECT_EQ(row0, section->Bits() + (bottomUp ? 16 : 0)) << "copy, height " << height;
    EXPECT_EQ(section->Description().dsBmih, bitmap.Image().SectionHandle()->Description().dsBmih);
    EXPECT_EQ(section->Description().dsBitfields[2], 0xFF0000u);
    EXPECT_EQ(copy.PixelLayout(), TPixelLayout::plCustom);
    EXPECT_EQ(Memory(copy), Memory(bitmap));
  }
}

TEST(Bitmap, ANewBitmapIsEmptyAndStaysWithoutPixels) {
  TBitmap bitmap;
  EXPECT_EQ(bitmap.PixelLayout(), TPixelLayout::plDevice);
  EXPECT_EQ(bitmap.TransparentColor(), 0x20000000u);
  EXPECT_EQ(bitmap.DIBView().Bits, nullptr);
  const std::int64_t made = TRasterBitmap::MadeCount();
  bitmap.SetPixelLayout(TPixelLayout::pl24Bit);
  EXPECT_EQ(bitmap.PixelLayout(), TPixelLayout::pl24Bit);
  EXPECT_TRUE(bitmap.Empty());
  EXPECT_EQ(TRasterBitmap::MadeCount(), made);
  // The device form only forgets the header; a bitmap sharing the empty image keeps its layout.
  TBitmap other;
  other.Assign(&bitmap);
  other.SetPixelLayout(TPixelLayout::plDevice);
  EXPECT_EQ(other.PixelLayout(), TPixelLayout::plDevice);
  EXPECT_EQ(bitmap.PixelLayout(), TPixelLayout::pl24Bit);
}

TEST(Bitmap, ChangeNotifications) {
  TBitmap source;
  Load(source, MakeSection({8, 2, 2}));
  using TAction = void (*)(TBitmap&, TBitmap&);
  struct Case {
    const char* what;
    TAction action;
    int notifications;
  };
  const Case cases[] = {
      {"assign a bitmap", [](TBitmap& b, TBitmap& s) { b.Assign(&s); }, 1},
      {"assign nothing", [](TBitmap& b, TBitmap&) { b.Assign(nullptr); }, 1},
      {"set the layout it has",
       [](TBitmap& b, TBitmap& s) { b.Assign(&s), b.SetPixelLayout(TPixelLayout::pl8Bit); }, 1},
      {"set another layout",
       [](TBitmap& b, TBitmap& s) { b.Assign(&s), b.SetPixelLayout(TPixelLayout::pl24Bit); }, 2},
      {"set the device form",
       [](TBitmap& b, TBitmap& s) { b.Assign(&s), b.SetPixelLayout(TPixelLayout::plDevice); }, 2},
      {"write rows",
       [](TBitmap& b, TBitmap& s) { b.Assign(&s), b.RowData(0)[0] = b.RowData(1)[0] = 1; }, 1},
      {"load", [](TBitmap& b, TBitmap&) { Load(b, MakeSection({24, 1, 1})); }, 1},
      {"empty to 24 bits", [](TBitmap& b, TBitmap&) { b.SetPixelLayout(TPixelLayout::pl24Bit); },
       1},
      {"replace without notice",
       [](TBitmap& b, TBitmap&) { b.ReplaceImage(nullptr, nullptr, false); }, 0},
  };
  for (const Case& c : cases) {
    TBitmap bitmap;
    TChangeCounter changes(bitmap);
    c.action(bitmap, source);
    EXPECT_EQ(changes.Count, c.notifications) << c.what;
    EXPECT_EQ(bitmap.Modified(), c.notifications > 0) << c.what;
  }
}

TEST(Bitmap, AssignSharesTheImageAndTheLastReferenceFreesIt) {
  const std::int64_t live = TRasterBitmap::LiveCount();
  auto source = std::make_unique<TBitmap>();
  Load(*source, MakeSection({24, 2, 2}));
  source->SetTransparent(true);
  source->SetTransparentColor(0x123456);
  source->SetTransparentMode(1);
  TBitmap bitmap;
  bitmap.Assign(source.get());
  EXPECT_EQ(&bitmap.Image(), &source->Image());
  EXPECT_TRUE(bitmap.Transparent());
  EXPECT_EQ(bitmap.TransparentColor(), 0x123456u);
  EXPECT_EQ(bitmap.TransparentMode(), 1);
  bitmap.Assign(&bitmap);
  EXPECT_EQ(bitmap.Image().RefCount(), 2) << "assigning a bitmap to itself keeps one reference";
  source.reset();
  EXPECT_EQ(TRasterBitmap::LiveCount(), live + 1) << "another bitmap still refers to the image";
  EXPECT_EQ(bitmap.Image().RefCount(), 1);
  bitmap.Assign(nullptr);
  EXPECT_TRUE(bitmap.Empty());
  EXPECT_EQ(TRasterBitmap::LiveCount(), live) << "the last release frees the image's bitmaps";
  TPersistent other;
  ExpectFailure<EConvertError>([&] { bitmap.Assign(&other); },
                               "TPersistent を TBitmap に代入することはできません", "TPersistent");
}

TEST(Bitmap, DeviceDependentPictures) {
  TRasterBitmapPtr screen = TRasterBitmap::CreateDevice(2, 2, false);
  const TBytes pixels{1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0, 10, 11, 12, 0};
  std::memcpy(screen->Bits(), pixels.data(), pixels.size());
  TBitmap source;
  Load(source, std::move(screen));
  EXPECT_EQ(source.Image().SectionHandle(), nullptr);
  EXPECT_EQ(source.Palette(), nullptr);
  TBitmap result;
  result.Assign(&source);
  result.SetPixelLayout(TPixelLayout::pl24Bit);
  EXPECT_EQ(Rows24(result), (std::vector<TBytes>{{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}}));

  // Row access makes a DIB section beside the device bitmap; the picture still reads plDevice,
  // and rows written there are kept by a later copy and a later conversion.
  source.RowData(1)[0] = 99;
  EXPECT_TRUE(source.Image().HasSeparateDevice());
  EXPECT_EQ(source.PixelLayout(), TPixelLayout::plDevice);
  TBitmap copy;
  copy.Assign(&source);
  copy.RowData(0)[0] = 50;
  EXPECT_EQ(copy.RowData(1)[0], 99);
  copy.SetPixelLayout(TPixelLayout::pl24Bit);
  EXPECT_EQ(Rows24(copy), (std::vector<TBytes>{{50, 2, 3, 4, 5, 6}, {99, 8, 9, 10, 11, 12}}));

  // Monochrome rows are padded to 2 bytes; a set bit is white.
  TRasterBitmapPtr mono = TRasterBitmap::CreateDevice(3, 2, true);
  mono->Bits()[0] = 0b10100000;
  mono->Bits()[2] = 0b01000000;
  TBitmap monochrome;
  Load(monochrome, std::move(mono));
  monochrome.SetPixelLayout(TPixelLayout::pl24Bit);
  EXPECT_EQ(Rows24(monochrome), (std::vector<TBytes>{{255, 255, 255, 0, 0, 0, 255, 255, 255},
                                                     {0, 0, 0, 255, 255, 255, 0, 0, 0}}));
}

TEST(Bitmap, PaletteOnDemandAndCarriedMarks) {
  const std::vector<TRGBQuad> table{{1, 2, 3, 0}, {4, 5, 6, 0}};
  TBitmap indexed;
  indexed.ReplaceImage(MakeSection({1, 8, 1, BI_RGB, {}, table}), nullptr, true);
  EXPECT_EQ(indexed.Image().Palette(), nullptr) << "not made before it is asked for";
  EXPECT_TRUE(indexed.DIBView().HasPalette);
  const TPaletteHandle palette = indexed.Palette();
  ASSERT_NE(palette, nullptr);
  EXPECT_EQ(palette->ColorTable(), table);
  TBitmap other;
  other.Assign(&indexed);
  EXPECT_EQ(other.Palette(), palette) << "made once, kept in the image for every sharer";
  other.SetPixelLayout(TPixelLayout::pl24Bit);
  EXPECT_EQ(other.Image().Palette()->ColorTable(), table) << "a conversion carries a copy";
  EXPECT_TRUE(other.Image().FromCoreHeader()) << "conversions carry the core-header mark";
  TBitmap trueColour;
  Load(trueColour, MakeSection({24, 1, 1}));
  EXPECT_EQ(trueColour.Palette(), nullptr);
}

TEST(Bitmap, SizeChangesKeepTheSharedPartAndTheLayout) {
  // 2 x 2, bottom-up: top row (1,2,3)(4,5,6), bottom row (7,8,9)(10,11,12).
  const TBytes bytes{7, 8, 9, 10, 11, 12, 0, 0, 1, 2, 3, 4, 5, 6, 0, 0};
  struct Case {
    const char* what;
    int width, height;
    std::vector<TBytes> rows;
  };
  const Case cases[] = {
      {"narrower", 1, 2, {{1, 2, 3}, {7, 8, 9}}},
      {"wider", 3, 1, {{1, 2, 3, 4, 5, 6, 255, 255, 255}}},
      {"taller", 1, 3, {{1, 2, 3}, {7, 8, 9}, {255, 255, 255}}},
  };
  for (const Case& c : cases) {
    TBitmap source;
    Load(source, MakeSection({24, 2, 2}, bytes));
    TBitmap bitmap;
    bitmap.Assign(&source);
    TChangeCounter changes(bitmap);
    bitmap.SetWidth(c.width);
    bitmap.SetHeight(c.height);
    EXPECT_EQ(bitmap.PixelLayout(), TPixelLayout::pl24Bit) << c.what;
    EXPECT_EQ(Rows24(bitmap), c.rows) << c.what;
    EXPECT_EQ(changes.Count, (c.width != 2) + (c.height != 2)) << c.what;
    EXPECT_EQ(Memory(source), bytes) << c.what << ": the shared source changed";
  }

  TBitmap empty;
  empty.SetWidth(3);
  EXPECT_TRUE(empty.Empty()) << "a width alone makes no pixels";
  empty.SetHeight(2);
  EXPECT_EQ(empty.PixelLayout(), TPixelLayout::plDevice);
  empty.SetPixelLayout(TPixelLayout::pl24Bit);
  EXPECT_EQ(Rows24(empty), (std::vector<TBytes>{TBytes(9, 255), TBytes(9, 255)}));

  TBitmap topDown;
  Load(topDown, MakeSection({24, 1, -2}, {1, 2, 3, 0, 4, 5, 6, 0}));
  topDown.SetWidth(2);
  EXPECT_EQ(topDown.Description().dsBmih.biHeight, -2) << "the row order is kept";
  EXPECT_EQ(Rows24(topDown),
            (std::vector<TBytes>{{1, 2, 3, 255, 255, 255}, {4, 5, 6, 255, 255, 255}}));
  EXPECT_THROW(topDown.SetWidth(-1), EInvalidGraphic);
  EXPECT_EQ(topDown.Width(), 2);
}

}  // namespace
