#include "ui/image.h"

#include "image/bitmap.h"
#include "ui/bitmap_drawing.h"
#include "ui/paint_context.h"

const TPublishedClass& TImage::Published() {
  static const TPublishedClass entry{
      TComponentClass::Of<TImage>(),
      &TWinControl::Published(),
      {Bind<TImage>("Stretch",
                    [](TImage& i, const TPropertyValue& v) {
                      i.SetStretch(PropertyBool(v, "Stretch"));
                    })},
      nullptr};
  return entry;
}

TImage::TImage(TComponent* owner) : TWinControl(owner) {
  Picture_.SetOnChange([this] { PictureChanged(); });
}

void TImage::SetStretch(bool stretch) {
  if (stretch == Stretch_) return;
  Stretch_ = stretch;
  PictureChanged();
}

void TImage::PictureChanged() {
  if (HandleAllocated()) ::InvalidateRect(Handle(), nullptr, TRUE);
}

LRESULT TImage::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      const TPaintContext paint(Handle());
      Paint(paint.Dc());
      return 0;
    }
    case WM_ERASEBKGND:
      // A stretched picture covers the whole box: erasing first would only flicker.
      if (Stretch_ && Picture_.Width() > 0 && Picture_.Height() > 0 &&
          dynamic_cast<TBitmap*>(Picture_.Graphic()) != nullptr) {
        return 1;
      }
      break;
    default:
      break;
  }
  return TWinControl::WndProc(message, wParam, lParam);
}

void TImage::Paint(HDC dc) {
  auto* bitmap = dynamic_cast<TBitmap*>(Picture_.Graphic());
  if (bitmap == nullptr || bitmap->Empty()) return;
  RECT target{0, 0, bitmap->Width(), bitmap->Height()};
  if (Stretch_) ::GetClientRect(Handle(), &target);
  StretchDrawBitmap(dc, target, *bitmap);
  ++PaintCount_;
}
