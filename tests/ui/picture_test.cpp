#include "ui/picture.h"

#include <gtest/gtest.h>

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

using TRGB = std::uint32_t;  // 0xRRGGBB

// A picture of `bitCount` bits (24 or 1) from `pixels` given row by row from the top; for 1 bit
// a pixel is 0 (black) or anything else (white).
std::unique_ptr<TBitmap> Picture(int width, int height, const std::vector<TRGB>& pixels,
                                 int bitCount = 24, bool topDown = false) {
  const TBitmapInfoHeader header{40, width, topDown ? -height : height, 1,
                                 static_cast<std::uint16_t>(bitCount), 0, 0, 0, 0, 0, 0};
  const TRGBQuad blackWhite[] = {{0, 0, 0, 0}, {255, 255, 255, 0}};
  auto section =
      TRasterBitmap::CreateSection(header, nullptr, std::span(blackWhite, bitCount == 1 ? 2 : 0));
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = section->Row(y);
    for (int x = 0; x < width; ++x) {
      const TRGB colour = pixels[static_cast<std::size_t>(y * width + x)];
      if (bitCount == 1) {
        if (colour != 0) row[x / 8] = static_cast<std::uint8_t>(row[x / 8] | (0x80 >> (x % 8)));
        continue;
      }
      for (int channel = 0; channel < 3; ++channel) {
        row[3 * x + channel] = static_cast<std::uint8_t>(colour >> (8 * channel));
      }
    }
  }
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->ImageLoaded(std::move(section), nullptr, false);
  return bitmap;
}

TEST(Picture, ReportsReplacementsAndChangesOfTheHeldPictureOnly) {
  TPicture picture;
  int changes = 0;
  picture.SetOnChange([&] { ++changes; });
  auto given = Picture(1, 1, {0x123456});
  picture.SetGraphic(given.get());
  EXPECT_EQ(changes, 1);
  dynamic_cast<TBitmap*>(picture.Graphic())->SetPixelLayout(TPixelLayout::pl32Bit);
  EXPECT_EQ(changes, 2) << "a change of the held picture repaints";
  given->SetPixelLayout(TPixelLayout::pl8Bit);
  EXPECT_EQ(changes, 2) << "the given picture is not watched";
  picture.Assign(nullptr);
  EXPECT_EQ(changes, 3);
  EXPECT_EQ(picture.Graphic(), nullptr);
}

TEST(Picture, StoredFormNamesAPictureClassOrNone) {
  TPicture picture;
  auto previous = Picture(1, 1, {0});
  picture.SetGraphic(previous.get());
  const std::uint8_t unknown[] = {5, 'T', 'N', 'o', 'n', 'e', 0, 0, 0, 0};
  TMemoryViewStream stream(unknown, sizeof unknown);
  try {
    picture.ReadData(stream);
    ADD_FAILURE() << "an unknown class was taken";
  } catch (const EInvalidGraphic& failure) {
    EXPECT_EQ(failure.Message(), "認識できない画像形式です");
  }
  EXPECT_EQ(picture.Width(), 1) << "a failed read keeps the picture";
  const std::uint8_t none[] = {0};
  TMemoryViewStream noClass(none, 1);
  picture.ReadData(noClass);
  EXPECT_EQ(picture.Graphic(), nullptr);
}

// A white 32-bit memory surface to draw into.
class TSurface {
 public:
  TSurface(int width, int height) : Width_(width), Dc_(::CreateCompatibleDC(nullptr)) {
    BITMAPINFO info{{sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
    void* bits = nullptr;
    Bitmap_.Reset(::CreateDIBSection(Dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    Bits_ = static_cast<const std::uint32_t*>(bits);
    ::SelectObject(Dc_, Bitmap_.Get());
    ::PatBlt(Dc_, 0, 0, width, height, WHITENESS);
  }
  ~TSurface() { ::DeleteDC(Dc_); }  // before the bitmap selected into it
  HDC Dc() const { return Dc_; }
  TRGB Pixel(int x, int y) const { return ::GdiFlush(), Bits_[y * Width_ + x] & 0xFFFFFF; }

 private:
  int Width_;
  HDC Dc_;
  TGdiObject<HBITMAP> Bitmap_;
  const std::uint32_t* Bits_ = nullptr;
};

TEST(StretchDrawBitmap, ScalesThePictureToTheRectangleWithTheStretchModeOfItsDepth) {
  const struct {
    const char* What;
    int BitCount;
    bool TopDown;
    std::vector<TRGB> Pixels;  // 2 x 2, rows from the top, each filling a quadrant of the 4 x 4
    int ModeAfter;             // the target started in BLACKONWHITE
  } cases[] = {
      {"24 bits, bottom-up", 24, false, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF}, COLORONCOLOR},
      {"24 bits, top-down", 24, true, {0x102030, 0x405060, 0x708090, 0xA0B0C0}, COLORONCOLOR},
      {"monochrome keeps the mode", 1, false, {0, 0xFFFFFF, 0xFFFFFF, 0}, BLACKONWHITE},
  };
  for (const auto& c : cases) {
    TSurface surface(4, 4);
    ::SetStretchBltMode(surface.Dc(), BLACKONWHITE);
    StretchDrawBitmap(surface.Dc(), RECT{0, 0, 4, 4}, *Picture(2, 2, c.Pixels, c.BitCount, c.TopDown));
    for (int y = 0; y < 4; ++y) {
      for (int x = 0; x < 4; ++x) {
        EXPECT_EQ(surface.Pixel(x, y), c.Pixels[static_cast<std::size_t>(y / 2 * 2 + x / 2)])
            << c.What << " at " << x << "," << y;
      }
    }
    EXPECT_EQ(::GetStretchBltMode(surface.Dc()), c.ModeAfter) << c.What;
  }
  TSurface surface(2, 2);
  TBitmap empty;
  StretchDrawBitmap(surface.Dc(), RECT{0, 0, 2, 2}, empty);
  EXPECT_EQ(surface.Pixel(1, 1), 0xFFFFFFu) << "an empty picture draws nothing";
}

// An image box holds a copy of its picture that shares the pixels, repaints when the picture
// changes and when it is uncovered, and draws the held pixels again without making any new
// bitmap. (That the copy is of the picture's own class and outlives the original, the main
// window's tests show with its plug-in pictures.)
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
  EXPECT_EQ(box->PaintCount(), 0) << "an empty box draws no picture";

  auto source = Picture(3, 2, {1, 2, 3, 4, 5, 6});
  box->Picture().SetGraphic(source.get());
  EXPECT_EQ(source->Image().RefCount(), 2) << "the box's copy shares the pixels";
  ::UpdateWindow(box->Handle());
  EXPECT_EQ(box->PaintCount(), 1) << "setting the picture repaints";
  const auto made = TRasterBitmap::MadeCount();
  for (int i = 0; i < 3; ++i) ::RedrawWindow(box->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  EXPECT_EQ(box->PaintCount(), 4);
  EXPECT_EQ(TRasterBitmap::MadeCount(), made) << "repainting made new bitmaps";
}

}  // namespace
