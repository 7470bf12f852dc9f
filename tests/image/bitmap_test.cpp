// TBitmap: layouts, sharing with copy on write, row access, conversion, notifications.
#include "image/bitmap.h"

#include <gtest/gtest.h>

#include <cstring>

#include "image/palette.h"
#include "image_fixtures.h"
#include "rtl/exception.h"

namespace {

using image_fixtures::Hex;
using image_fixtures::Load;
using image_fixtures::MakeSection;
using image_fixtures::Noise;
using image_fixtures::Rows24;
using image_fixtures::TSectionSpec;
using TBytes = std::vector<std::uint8_t>;

constexpr char kScanLine[] = "スキャンライン のインデックスが範囲を越えました";
constexpr char kInvalidPixelFormat[] = "画像フォーマットが不正です";

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

// Counts the change notifications of a bitmap.
struct TChangeCounter {
  explicit TChangeCounter(TBitmap& bitmap) {
    bitmap.SetOnChange([this](TGraphic&) { ++Count; });
  }
  int Count = 0;
};

TBytes Memory(const TBitmap& bitmap) {
  const TRasterBitmap* section = bitmap.Image().SectionHandle();
  return TBytes(section->Bits(), section->Bits() + section->ImageSize());
}

TEST(Bitmap, ANewBitmapIsEmptyDeviceDependentAndWithoutPalette) {
  TBitmap bitmap;
  EXPECT_EQ(bitmap.PixelLayout(), TPixelLayout::plDevice);
  EXPECT_EQ(bitmap.Width(), 0);
  EXPECT_EQ(bitmap.Height(), 0);
  EXPECT_TRUE(bitmap.Empty());
  EXPECT_EQ(bitmap.Palette(), nullptr);
  EXPECT_EQ(bitmap.TransparentColor(), 0x20000000u);
  EXPECT_EQ(bitmap.Image().RefCount(), 1);
  EXPECT_EQ(bitmap.ClassType(), TGraphicClass::Of<TBitmap>());
  EXPECT_STREQ(bitmap.ClassName(), "TBitmap");
  EXPECT_EQ(bitmap.DIBView().Bits, nullptr);
}

TEST(Bitmap, LayoutIsReadFromTheHeader) {
  struct Case {
    TSectionSpec shape;
    TPixelLayout layout;
  };
  const Case cases[] = {
      {{1, 2, 2}, TPixelLayout::pl1Bit},
      {{4, 2, 2}, TPixelLayout::pl4Bit},
      {{8, 2, 2}, TPixelLayout::pl8Bit},
      {{16, 2, 2}, TPixelLayout::pl15Bit},
      {{16, 2, 2, BI_BITFIELDS, {0xF800, 0x07E0, 0x001F}}, TPixelLayout::pl16Bit},
      {{16, 2, 2, BI_BITFIELDS, {0x0F00, 0x07E0, 0x000F}}, TPixelLayout::pl16Bit},
      {{16, 2, 2, BI_BITFIELDS, {0x7C00, 0x03E0, 0x001F}}, TPixelLayout::plCustom},
      {{24, 2, 2}, TPixelLayout::pl24Bit},
      {{24, 2, -2}, TPixelLayout::pl24Bit},
      {{32, 2, 2}, TPixelLayout::pl32Bit},
      {{32, 2, 2, BI_BITFIELDS, {0xFF0000, 0xFF00, 0xFF}}, TPixelLayout::plCustom},
  };
  for (const Case& c : cases) {
    TBitmap bitmap;
    Load(bitmap, MakeSection(c.shape));
    EXPECT_EQ(bitmap.PixelLayout(), c.layout)
        << c.shape.BitCount << " bits, compression " << c.shape.Compression << ": expected "
        << Name(c.layout) << " got " << Name(bitmap.PixelLayout());
    EXPECT_EQ(bitmap.Width(), 2);
    EXPECT_EQ(bitmap.Height(), 2);
  }
  TBitmap device;
  Load(device, TRasterBitmap::CreateDevice(3, 2, false));
  EXPECT_EQ(device.PixelLayout(), TPixelLayout::plDevice);
  EXPECT_EQ(device.Width(), 3);
  EXPECT_EQ(device.Height(), 2);
}

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
  EXPECT_EQ(&a.Image(), &source.Image());

  (void)source.RowData(0);
  (void)a.Height();
  EXPECT_EQ(source.Image().RefCount(), 1) << "the source's own RowData gave it a copy";
  EXPECT_EQ(a.Image().RefCount(), 2);
  EXPECT_EQ(TRasterBitmap::MadeCount(), made + 1);

  std::uint8_t* a0 = a.RowData(0);
  EXPECT_EQ(TRasterBitmap::MadeCount(), made + 2) << "the first RowData of a copies once";
  EXPECT_EQ(a.RowData(1), a0 - 12) << "later calls address the same memory, bottom row first";
  EXPECT_EQ(TRasterBitmap::MadeCount(), made + 2) << "later calls copy nothing";
  std::memset(a0, 0x11, 9);
  std::uint8_t* b0 = b.RowData(0);
  std::memset(b0, 0x22, 9);

  EXPECT_EQ(Memory(source), bytes) << "the source never changes";
  EXPECT_EQ(Rows24(a)[0], TBytes(9, 0x11));
  EXPECT_EQ(Rows24(b)[0], TBytes(9, 0x22));
  EXPECT_EQ(Rows24(a)[1], Rows24(b)[1]) << "the row nobody wrote is the same in both";
  EXPECT_EQ(a.Image().RefCount(), 1);
  EXPECT_EQ(b.Image().RefCount(), 1);
}

TEST(Bitmap, ExactlyOneCopyForATwentyFourBitSource) {
  TBitmap source;
  Load(source, MakeSection({24, 4, 4}, Noise(48, 2)));
  TBitmap result;
  const std::int64_t made = TRasterBitmap::MadeCount();
  result.Assign(&source);
  result.SetPixelLayout(TPixelLayout::pl24Bit);
  for (int y = 0; y < result.Height(); ++y) (void)result.RowData(y);
  EXPECT_EQ(TRasterBitmap::MadeCount() - made, 1);
}

TEST(Bitmap, ConversionReadsASharedImageWithoutCopyingIt) {
  const std::vector<TRGBQuad> table{{10, 20, 30, 0}, {40, 50, 60, 0}, {70, 80, 90, 0}};
  TBitmap source;
  Load(source, MakeSection({8, 3, 1, BI_RGB, {}, table}, {2, 0, 1}));
  const TBytes before = Memory(source);
  TBitmap result;
  result.Assign(&source);
  const std::int64_t made = TRasterBitmap::MadeCount();
  result.SetPixelLayout(TPixelLayout::pl24Bit);
  EXPECT_EQ(TRasterBitmap::MadeCount() - made, 1) << "one new 24-bit bitmap, no copy before it";

  EXPECT_EQ(result.PixelLayout(), TPixelLayout::pl24Bit);
  EXPECT_EQ(Rows24(result)[0], (TBytes{70, 80, 90, 10, 20, 30, 40, 50, 60}));
  EXPECT_EQ(source.PixelLayout(), TPixelLayout::pl8Bit);
  EXPECT_EQ(Memory(source), before);
  EXPECT_EQ(source.Image().RefCount(), 1);

  // The 24-bit image carries a copy of the source's palette, made from its table.
  const TPaletteHandle palette = result.Image().Palette();
  ASSERT_NE(palette, nullptr);
  EXPECT_NE(palette, source.Image().Palette());
  EXPECT_EQ(palette->ColorTable(), table);
  EXPECT_FALSE(result.Image().Halftone());
  EXPECT_TRUE(result.PaletteModified());
}

TEST(Bitmap, RoundTripsThroughSmallerLayouts) {
  // Colours that stand in each target's colour table come back exactly.
  const TPaletteHandle fixed = MakeHalftonePalette();
  const auto sixteen = StandardPalette16()->ColorTable();
  auto pictureOf = [](std::vector<TRGBQuad> colours) {
    TBytes bytes;
    for (const TRGBQuad& c : colours) bytes.insert(bytes.end(), {c.rgbBlue, c.rgbGreen, c.rgbRed});
    return bytes;
  };
  const std::vector<TRGBQuad> fixedColours{fixed->ColorTable()[0], fixed->ColorTable()[17],
                                           fixed->ColorTable()[200], fixed->ColorTable()[253]};
  const std::vector<TRGBQuad> vgaColours{sixteen[1], sixteen[7], sixteen[9], sixteen[15]};
  const std::vector<TRGBQuad> blackWhite{{0, 0, 0, 0}, {255, 255, 255, 0}, {255, 255, 255, 0},
                                         {0, 0, 0, 0}};
  const std::vector<TRGBQuad> fiveBit{{0, 0, 0, 0}, {255, 255, 255, 0}, {132, 8, 0, 0},
                                      {66, 255, 206, 0}};
  const std::vector<TRGBQuad> sixBit{{0, 0, 0, 0}, {255, 255, 255, 0}, {132, 4, 0, 0},
                                     {66, 65, 206, 0}};
  const TBytes noise = Noise(12, 77);
  struct Case {
    TPixelLayout layout;
    TBytes pixels;  // 4 pixels, one row
  };
  const Case cases[] = {
      {TPixelLayout::pl8Bit, pictureOf(fixedColours)},
      {TPixelLayout::pl4Bit, pictureOf(vgaColours)},
      {TPixelLayout::pl1Bit, pictureOf(blackWhite)},
      {TPixelLayout::pl15Bit, pictureOf(fiveBit)},
      {TPixelLayout::pl16Bit, pictureOf(sixBit)},
      {TPixelLayout::pl32Bit, noise},
      {TPixelLayout::plDevice, noise},
  };
  for (const Case& c : cases) {
    TBitmap bitmap;
    Load(bitmap, MakeSection({24, 4, 1}, c.pixels));
    bitmap.SetPixelLayout(c.layout);
    EXPECT_EQ(bitmap.PixelLayout(), c.layout) << Name(c.layout);
    bitmap.SetPixelLayout(TPixelLayout::pl24Bit);
    ASSERT_EQ(bitmap.PixelLayout(), TPixelLayout::pl24Bit) << Name(c.layout);
    EXPECT_EQ(Rows24(bitmap)[0], c.pixels) << "through " << Name(c.layout) << ": expected "
                                           << Hex(c.pixels) << " got " << Hex(Rows24(bitmap)[0]);
  }
}

TEST(Bitmap, IndexedConversionsUseTheirPalettes) {
  TBitmap bitmap;
  Load(bitmap, MakeSection({24, 2, 1}, {0, 0, 250, 3, 3, 3}));
  bitmap.SetPixelLayout(TPixelLayout::pl4Bit);
  EXPECT_EQ(bitmap.Image().Palette(), StandardPalette16()) << "4 bits refer to the standard palette";
  EXPECT_EQ(bitmap.Image().SectionHandle()->Bits()[0], 0x90) << "red and black of the VGA colours";

  bitmap.SetPixelLayout(TPixelLayout::pl8Bit);
  ASSERT_NE(bitmap.Image().Palette(), nullptr);
  EXPECT_EQ(bitmap.Image().Palette()->Count(), 256);
  EXPECT_EQ(bitmap.Image().SectionHandle()->ColorTable().size(), 256u);
}

TEST(Bitmap, CustomLayoutIsRefusedAndChangesNothing) {
  const TBytes bytes = Noise(16, 4);
  TBitmap bitmap;
  Load(bitmap, MakeSection({24, 2, 2}, bytes));
  TChangeCounter changes(bitmap);
  const TBitmapImage* image = &bitmap.Image();
  try {
    bitmap.SetPixelLayout(TPixelLayout::plCustom);
    ADD_FAILURE() << "plCustom was set";
  } catch (const EInvalidGraphic& e) {
    EXPECT_EQ(e.Message(), kInvalidPixelFormat);
  }
  EXPECT_EQ(&bitmap.Image(), image);
  EXPECT_EQ(bitmap.PixelLayout(), TPixelLayout::pl24Bit);
  EXPECT_EQ(Memory(bitmap), bytes);
  EXPECT_EQ(changes.Count, 0);
}

TEST(Bitmap, RowsOutsideThePictureAreRefused) {
  TBitmap source;
  Load(source, MakeSection({24, 2, 3}, Noise(24, 6)));
  const TBytes bytes = Memory(source);
  TBitmap empty24;
  empty24.SetPixelLayout(TPixelLayout::pl24Bit);
  struct Case {
    TBitmap* bitmap;
    int row;
  };
  TBitmap empty;
  const Case cases[] = {{&source, -1}, {&source, 3}, {&source, INT32_MIN}, {&source, INT32_MAX},
                        {&empty, 0},   {&empty24, 0}};
  for (const Case& c : cases) {
    TChangeCounter changes(*c.bitmap);
    try {
      (void)c.bitmap->RowData(c.row);
      ADD_FAILURE() << "row " << c.row << " was given out";
    } catch (const EInvalidGraphicOperation& e) {
      EXPECT_EQ(e.Message(), kScanLine) << "row " << c.row;
    }
    EXPECT_EQ(changes.Count, 0);
  }
  EXPECT_EQ(Memory(source), bytes);

  // A shared bitmap may hold its private copy afterwards, with the same content.
  TBitmap shared;
  shared.Assign(&source);
  EXPECT_THROW((void)shared.RowData(5), EInvalidGraphicOperation);
  EXPECT_EQ(Memory(shared), bytes);
  EXPECT_EQ(Memory(source), bytes);
}

TEST(Bitmap, RowAddressesFollowTheRowOrderInMemory) {
  struct Case {
    int height;
    bool bottomUp;
  };
  for (const Case c : {Case{3, true}, Case{-3, false}}) {
    TBitmap bitmap;
    Load(bitmap, MakeSection({24, 5, c.height}, Noise(48, 12)));
    const std::uint8_t* bits = bitmap.Image().SectionHandle()->Bits();
    EXPECT_EQ(bitmap.RowData(0), bits + (c.bottomUp ? 32 : 0)) << "height " << c.height;
    EXPECT_EQ(bitmap.RowData(2), bits + (c.bottomUp ? 0 : 32)) << "height " << c.height;

    // A private copy keeps the orientation and the pixels.
    TBitmap copy;
    copy.Assign(&bitmap);
    copy.SetPixelLayout(TPixelLayout::pl24Bit);
    const std::uint8_t* row0 = copy.RowData(0);
    const std::uint8_t* copyBits = copy.Image().SectionHandle()->Bits();
    EXPECT_NE(copyBits, bits);
    EXPECT_EQ(row0, copyBits + (c.bottomUp ? 32 : 0)) << "copy, height " << c.height;
    EXPECT_EQ(copy.Description().dsBmih.biHeight, c.height);
    EXPECT_EQ(Memory(copy), Memory(bitmap));
  }
}

TEST(Bitmap, EmptyBitmapsStayWithoutPixels) {
  TBitmap bitmap;
  TChangeCounter changes(bitmap);
  const std::int64_t made = TRasterBitmap::MadeCount();
  bitmap.SetPixelLayout(TPixelLayout::pl24Bit);
  EXPECT_EQ(bitmap.PixelLayout(), TPixelLayout::pl24Bit);
  EXPECT_EQ(bitmap.Width(), 0);
  EXPECT_EQ(bitmap.Height(), 0);
  EXPECT_TRUE(bitmap.Empty());
  EXPECT_EQ(bitmap.Description().dsBmih.biSize, 40u);
  EXPECT_EQ(bitmap.Description().dsBmih.biBitCount, 24);
  EXPECT_EQ(TRasterBitmap::MadeCount(), made);
  EXPECT_EQ(changes.Count, 1);

  // Going back to the device form only forgets the header; a bitmap sharing the empty image
  // keeps reading its own layout.
  TBitmap other;
  other.Assign(&bitmap);
  other.SetPixelLayout(TPixelLayout::plDevice);
  EXPECT_EQ(other.PixelLayout(), TPixelLayout::plDevice);
  EXPECT_EQ(bitmap.PixelLayout(), TPixelLayout::pl24Bit);
}

TEST(Bitmap, ChangeNotifications) {
  TBitmap source;
  Load(source, MakeSection({8, 2, 2}));
  struct Case {
    const char* what;
    void (*action)(TBitmap& bitmap, TBitmap& source);
    int notifications;
  };
  const Case cases[] = {
      {"assign a bitmap", [](TBitmap& b, TBitmap& s) { b.Assign(&s); }, 1},
      {"assign nothing", [](TBitmap& b, TBitmap&) { b.Assign(nullptr); }, 1},
      {"set the layout it has",
       [](TBitmap& b, TBitmap& s) {
         b.Assign(&s);
         b.SetPixelLayout(TPixelLayout::pl8Bit);
       },
       1},
      {"set another layout",
       [](TBitmap& b, TBitmap& s) {
         b.Assign(&s);
         b.SetPixelLayout(TPixelLayout::pl24Bit);
       },
       2},
      {"set the device form",
       [](TBitmap& b, TBitmap& s) {
         b.Assign(&s);
         b.SetPixelLayout(TPixelLayout::plDevice);
       },
       2},
      {"write rows",
       [](TBitmap& b, TBitmap& s) {
         b.Assign(&s);
         b.RowData(0)[0] = 1;
         b.RowData(1)[0] = 1;
       },
       1},
      {"load", [](TBitmap& b, TBitmap&) { Load(b, MakeSection({24, 1, 1})); }, 1},
      {"replace without notice", [](TBitmap& b, TBitmap&) { b.ReplaceImage(nullptr, nullptr, false); },
       0},
  };
  for (const Case& c : cases) {
    TBitmap bitmap;
    TChangeCounter changes(bitmap);
    c.action(bitmap, source);
    EXPECT_EQ(changes.Count, c.notifications) << c.what;
    EXPECT_EQ(bitmap.Modified(), c.notifications > 0) << c.what;
  }
}

TEST(Bitmap, AssignSharesTheImageAndTheTransparencySettings) {
  TBitmap source;
  Load(source, MakeSection({24, 2, 2}));
  source.SetTransparent(true);
  source.SetTransparentColor(0x123456);
  source.SetTransparentMode(1);
  TBitmap bitmap;
  bitmap.Assign(&source);
  EXPECT_EQ(&bitmap.Image(), &source.Image());
  EXPECT_TRUE(bitmap.Transparent());
  EXPECT_EQ(bitmap.TransparentColor(), 0x123456u);
  EXPECT_EQ(bitmap.TransparentMode(), 1);

  bitmap.Assign(&bitmap);
  EXPECT_EQ(source.Image().RefCount(), 2) << "assigning a bitmap to itself keeps one reference";

  bitmap.Assign(nullptr);
  EXPECT_TRUE(bitmap.Empty());
  EXPECT_EQ(source.Image().RefCount(), 1);

  TPersistent other;
  try {
    bitmap.Assign(&other);
    ADD_FAILURE() << "a TPersistent was assigned";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "TPersistent を TBitmap に代入することはできません");
  }
}

TEST(Bitmap, TheLastReferenceFreesTheImage) {
  const std::int64_t live = TRasterBitmap::LiveCount();
  auto first = std::make_unique<TBitmap>();
  Load(*first, MakeSection({24, 2, 2}));
  auto second = std::make_unique<TBitmap>();
  second->Assign(first.get());
  EXPECT_EQ(TRasterBitmap::LiveCount(), live + 1);
  first.reset();
  EXPECT_EQ(TRasterBitmap::LiveCount(), live + 1) << "another bitmap still refers to the image";
  EXPECT_EQ(second->Image().RefCount(), 1);
  second.reset();
  EXPECT_EQ(TRasterBitmap::LiveCount(), live) << "the last release frees the image's bitmaps";
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
  EXPECT_NE(source.Image().SectionHandle(), nullptr);
  EXPECT_TRUE(source.Image().HasSeparateDevice());
  EXPECT_EQ(source.PixelLayout(), TPixelLayout::plDevice);
  TBitmap copy;
  copy.Assign(&source);
  copy.RowData(0)[0] = 50;
  EXPECT_EQ(copy.RowData(1)[0], 99);
  copy.SetPixelLayout(TPixelLayout::pl24Bit);
  EXPECT_EQ(Rows24(copy), (std::vector<TBytes>{{50, 2, 3, 4, 5, 6}, {99, 8, 9, 10, 11, 12}}));

  TRasterBitmapPtr mono = TRasterBitmap::CreateDevice(2, 1, true);
  mono->Bits()[0] = 0x40;
  TBitmap monochrome;
  Load(monochrome, std::move(mono));
  monochrome.SetPixelLayout(TPixelLayout::pl24Bit);
  EXPECT_EQ(Rows24(monochrome)[0], (TBytes{0, 0, 0, 255, 255, 255}));
}

TEST(Bitmap, DeviceFormFromASection) {
  const TBytes bytes = Noise(24, 13);
  TBitmap source;
  Load(source, MakeSection({24, 3, 2}, bytes));
  TBitmap shared;
  shared.Assign(&source);
  shared.SetPixelLayout(TPixelLayout::plDevice);
  EXPECT_EQ(shared.PixelLayout(), TPixelLayout::plDevice);
  EXPECT_EQ(source.PixelLayout(), TPixelLayout::pl24Bit) << "the shared source keeps its form";
  EXPECT_NE(&shared.Image(), &source.Image());

  source.SetPixelLayout(TPixelLayout::plDevice);
  EXPECT_EQ(source.PixelLayout(), TPixelLayout::plDevice);
  EXPECT_TRUE(source.Image().HasSeparateDevice());
  TBitmap original;
  Load(original, MakeSection({24, 3, 2}, bytes));
  for (TBitmap* bitmap : {&source, &shared}) {
    bitmap->SetPixelLayout(TPixelLayout::pl24Bit);
    EXPECT_EQ(Rows24(*bitmap), Rows24(original));
  }
}

TEST(Bitmap, PaletteOnDemandAndCarriedMarks) {
  const std::vector<TRGBQuad> table{{1, 2, 3, 0}, {4, 5, 6, 0}};
  TBitmap indexed;
  indexed.ReplaceImage(MakeSection({1, 8, 1, BI_RGB, {}, table}), nullptr, true);
  EXPECT_EQ(indexed.Image().Palette(), nullptr) << "not made before it is asked for";
  const TPaletteHandle palette = indexed.Palette();
  ASSERT_NE(palette, nullptr);
  EXPECT_EQ(palette->ColorTable(), table);
  EXPECT_EQ(indexed.Palette(), palette) << "made once, kept in the image";

  TBitmap other;
  other.Assign(&indexed);
  EXPECT_EQ(other.Palette(), palette) << "every bitmap sharing the image sees it";
  other.SetPixelLayout(TPixelLayout::pl24Bit);
  EXPECT_TRUE(other.Image().FromCoreHeader()) << "conversions carry the core-header mark";

  TBitmap trueColour;
  Load(trueColour, MakeSection({24, 1, 1}));
  EXPECT_EQ(trueColour.Palette(), nullptr);
  EXPECT_FALSE(trueColour.PaletteModified());

  TDIBView view = indexed.DIBView();
  ASSERT_NE(view.Header, nullptr);
  EXPECT_EQ(view.Header->biBitCount, 1);
  EXPECT_EQ(view.ColorTable.size(), 2u);
  EXPECT_EQ(view.Bits, indexed.Image().SectionHandle()->Bits());
  EXPECT_TRUE(view.HasPalette);
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
    EXPECT_EQ(bitmap.Width(), c.width) << c.what;
    EXPECT_EQ(bitmap.Height(), c.height) << c.what;
    EXPECT_EQ(bitmap.PixelLayout(), TPixelLayout::pl24Bit) << c.what;
    EXPECT_EQ(Rows24(bitmap), c.rows) << c.what;
    EXPECT_EQ(changes.Count, (c.width != 2) + (c.height != 2)) << c.what;
    EXPECT_EQ(Memory(source), bytes) << c.what << ": the shared source changed";
  }

  TBitmap empty;
  empty.SetWidth(3);
  EXPECT_TRUE(empty.Empty()) << "a width alone makes no pixels";
  empty.SetHeight(2);
  EXPECT_FALSE(empty.Empty());
  EXPECT_EQ(empty.PixelLayout(), TPixelLayout::plDevice);
  empty.SetPixelLayout(TPixelLayout::pl24Bit);
  EXPECT_EQ(Rows24(empty), (std::vector<TBytes>{TBytes(9, 255), TBytes(9, 255)}));

  TBitmap topDown;
  Load(topDown, MakeSection({24, 1, -2}, {1, 2, 3, 0, 4, 5, 6, 0}));
  topDown.SetWidth(2);
  EXPECT_EQ(topDown.Description().dsBmih.biHeight, -2) << "the row order is kept";
  EXPECT_EQ(Rows24(topDown), (std::vector<TBytes>{{1, 2, 3, 255, 255, 255}, {4, 5, 6, 255, 255, 255}}));
  EXPECT_THROW(topDown.SetWidth(-1), EInvalidGraphic);
  EXPECT_EQ(topDown.Width(), 2);
}

}  // namespace
