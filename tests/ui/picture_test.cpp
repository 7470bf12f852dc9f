#include "ui/picture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "image/bitmap.h"
#include "rtl/exception.h"
#include "rtl/stream.h"
#include "ui/application.h"
#include "ui/bitmap_drawing.h"
#include "ui/gdi_object.h"
#include "ui/image.h"

namespace {

// Colours as 0xRRGGBB.
using TRGB = std::uint32_t;

// A picture of `bitCount` bits (24 or 1) from `pixels` given row by row from the top. For 1 bit
// a pixel is 0 (black) or anything else (white).
TRasterBitmapPtr Section(int width, int height, const std::vector<TRGB>& pixels, int bitCount = 24,
                         bool topDown = false) {
  TBitmapInfoHeader header{};
  header.biSize = 40;
  header.biWidth = width;
  header.biHeight = topDown ? -height : height;
  header.biPlanes = 1;
  header.biBitCount = static_cast<std::uint16_t>(bitCount);
  const TRGBQuad blackWhite[] = {{0, 0, 0, 0}, {255, 255, 255, 0}};
  auto section = TRasterBitmap::CreateSection(
      header, nullptr, bitCount == 1 ? std::span<const TRGBQuad>(blackWhite) : std::span<const TRGBQuad>());
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = section->Row(y);
    for (int x = 0; x < width; ++x) {
      const TRGB colour = pixels[static_cast<std::size_t>(y * width + x)];
      if (bitCount == 1) {
        if (colour != 0) row[x / 8] = static_cast<std::uint8_t>(row[x / 8] | (0x80 >> (x % 8)));
      } else {
        row[3 * x] = static_cast<std::uint8_t>(colour);
        row[3 * x + 1] = static_cast<std::uint8_t>(colour >> 8);
        row[3 * x + 2] = static_cast<std::uint8_t>(colour >> 16);
      }
    }
  }
  return section;
}

std::unique_ptr<TBitmap> Picture24(int width, int height, const std::vector<TRGB>& pixels) {
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->ImageLoaded(Section(width, height, pixels), nullptr, false);
  return bitmap;
}

// A class of its own, to see that the holder copies into the same class.
class TOtherBitmap : public TBitmap {
 public:
  TS_CLASS_NAME(TOtherBitmap)
  TGraphicClass ClassType() const override { return TGraphicClass::Of<TOtherBitmap>(); }
};

TEST(Picture, HoldsANewPictureOfTheSameClassSharingThePixels) {
  for (const bool derived : {false, true}) {
    std::unique_ptr<TBitmap> source = derived ? std::make_unique<TOtherBitmap>() : std::make_unique<TBitmap>();
    source->ImageLoaded(Section(2, 1, {0xFF0000, 0x00FF00}), nullptr, false);
    TPicture picture;
    picture.SetGraphic(source.get());

    ASSERT_NE(picture.Graphic(), nullptr);
    EXPECT_NE(picture.Graphic(), source.get()) << "the holder keeps no reference to the given picture";
    EXPECT_STREQ(picture.Graphic()->ClassName(), source->ClassName());
    auto& held = dynamic_cast<TBitmap&>(*picture.Graphic());
    EXPECT_EQ(&held.Image(), &source->Image()) << "assignment shares the image";
    EXPECT_EQ(source->Image().RefCount(), 2);

    // A write to the source gives the source its own copy; the holder's pixels stay.
    source->RowData(0)[0] = 0x11;
    EXPECT_EQ(held.Image().RefCount(), 1);
    source.reset();
    ASSERT_EQ(picture.Width(), 2);
    EXPECT_EQ(held.RowData(0)[2], 0xFF) << "red of the first pixel";
    EXPECT_EQ(held.RowData(0)[0], 0x00);
  }
}

TEST(Picture, ReportsReplacementsAndChangesOfTheHeldPictureOnly) {
  TPicture picture;
  int changes = 0;
  picture.SetOnChange([&] { ++changes; });
  auto first = Picture24(1, 1, {0x123456});
  picture.SetGraphic(first.get());
  EXPECT_EQ(changes, 1);

  auto* held = dynamic_cast<TBitmap*>(picture.Graphic());
  held->SetPixelLayout(TPixelLayout::pl32Bit);
  EXPECT_EQ(changes, 2) << "a change of the held picture repaints";
  first->SetPixelLayout(TPixelLayout::pl8Bit);
  EXPECT_EQ(changes, 2) << "the given picture is not watched";

  picture.Assign(nullptr);
  EXPECT_EQ(changes, 3);
  EXPECT_EQ(picture.Graphic(), nullptr);
  EXPECT_EQ(picture.Width(), 0);
}

TEST(Picture, StoredFormNamesAPictureClassOrNone) {
  struct TCase {
    std::vector<std::uint8_t> Bytes;
    bool Fails;
  };
  const TCase cases[] = {
      {{0}, false},                                          // no class: empty
      {{5, 'T', 'N', 'o', 'n', 'e', 0, 0, 0, 0}, true},      // no such class
      {{7, 'T', 'B', 'i', 't', 'm', 'a', 'p', 0, 0, 0, 0}, false},  // a bitmap of no bytes
  };
  for (const TCase& c : cases) {
    TPicture picture;
    auto previous = Picture24(1, 1, {0});
    picture.SetGraphic(previous.get());
    TMemoryViewStream stream(c.Bytes.data(), static_cast<std::int64_t>(c.Bytes.size()));
    if (c.Fails) {
      try {
        picture.ReadData(stream);
        ADD_FAILURE() << "an unknown class was taken";
      } catch (const EInvalidGraphic& failure) {
        EXPECT_EQ(failure.Message(), "認識できない画像形式です");
      }
      EXPECT_EQ(picture.Width(), 1) << "a failed read keeps the picture";
    } else {
      picture.ReadData(stream);
      EXPECT_EQ(picture.Width(), 0);
    }
  }
}

// A 32-bit memory surface to draw into, and its pixels.
class TSurface {
 public:
  TSurface(int width, int height) : Width_(width), Height_(height), Dc_(::CreateCompatibleDC(nullptr)) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    Bitmap_.Reset(::CreateDIBSection(Dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    Bits_ = static_cast<std::uint32_t*>(bits);
    Old_ = ::SelectObject(Dc_, Bitmap_.Get());
  }
  ~TSurface() {
    ::SelectObject(Dc_, Old_);
    ::DeleteDC(Dc_);
  }
  HDC Dc() const { return Dc_; }
  TRGB Pixel(int x, int y) const {
    ::GdiFlush();
    return Bits_[y * Width_ + x] & 0xFFFFFF;
  }

 private:
  int Width_;
  int Height_;
  HDC Dc_;
  TGdiObject<HBITMAP> Bitmap_;
  std::uint32_t* Bits_ = nullptr;
  HGDIOBJ Old_ = nullptr;
};

TEST(StretchDrawBitmap, ScalesThePictureToTheRectangleWithTheStretchModeOfItsDepth) {
  struct TCase {
    const char* What;
    int BitCount;
    bool TopDown;
    std::vector<TRGB> Pixels;    // 2 x 2, rows from the top
    std::vector<TRGB> Expected;  // the four quadrants of the 4 x 4 target
    int ModeAfter;               // the target started in BLACKONWHITE
  };
  const TCase cases[] = {
      {"24 bits, bottom-up", 24, false, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF},
       {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF}, COLORONCOLOR},
      {"24 bits, top-down", 24, true, {0x102030, 0x405060, 0x708090, 0xA0B0C0},
       {0x102030, 0x405060, 0x708090, 0xA0B0C0}, COLORONCOLOR},
      {"monochrome keeps the mode", 1, false, {0, 1, 1, 0}, {0x000000, 0xFFFFFF, 0xFFFFFF, 0x000000},
       BLACKONWHITE},
  };
  for (const TCase& c : cases) {
    TSurface surface(4, 4);
    ::SetStretchBltMode(surface.Dc(), BLACKONWHITE);
    TBitmap bitmap;
    bitmap.ImageLoaded(Section(2, 2, c.Pixels, c.BitCount, c.TopDown), nullptr, false);
    StretchDrawBitmap(surface.Dc(), RECT{0, 0, 4, 4}, bitmap);
    for (int quadrant = 0; quadrant < 4; ++quadrant) {
      const int x0 = (quadrant % 2) * 2;
      const int y0 = (quadrant / 2) * 2;
      for (int y = y0; y < y0 + 2; ++y) {
        for (int x = x0; x < x0 + 2; ++x) {
          EXPECT_EQ(surface.Pixel(x, y), c.Expected[static_cast<std::size_t>(quadrant)])
              << c.What << " at " << x << "," << y;
        }
      }
    }
    EXPECT_EQ(::GetStretchBltMode(surface.Dc()), c.ModeAfter) << c.What;
  }
}

TEST(StretchDrawBitmap, AnEmptyPictureDrawsNothing) {
  TSurface surface(2, 2);
  ::PatBlt(surface.Dc(), 0, 0, 2, 2, WHITENESS);
  TBitmap empty;
  StretchDrawBitmap(surface.Dc(), RECT{0, 0, 2, 2}, empty);
  EXPECT_EQ(surface.Pixel(1, 1), 0xFFFFFFu);
}

// An image box on a form: it repaints when its picture changes and when it is uncovered, and
// a repaint draws the held pixels again without making any new bitmap.
TEST(ImageBox, RepaintsFromTheSharedPixelsWithoutConverting) {
  TApplication application;
  TForm* form = nullptr;
  application.CreateForm(form);
  form->SetBounds(0, 0, 200, 200);
  auto* box = MakeOwnedComponent<TImage>(*form);
  box->SetBounds(0, 0, 100, 80);
  box->SetStretch(true);
  box->SetParent(form);
  form->Show();
  application.ProcessMessages();
  const int blankPaints = box->PaintCount();
  EXPECT_EQ(blankPaints, 0) << "an empty box draws no picture";

  auto source = Picture24(3, 2, {1, 2, 3, 4, 5, 6});
  box->Picture().SetGraphic(source.get());
  ::UpdateWindow(box->Handle());
  EXPECT_EQ(box->PaintCount(), 1) << "setting the picture repaints";

  const auto made = TRasterBitmap::MadeCount();
  for (int i = 0; i < 3; ++i) {
    ::RedrawWindow(box->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  }
  EXPECT_EQ(box->PaintCount(), 4);
  EXPECT_EQ(TRasterBitmap::MadeCount(), made) << "repainting made new bitmaps";
}

}  // namespace
