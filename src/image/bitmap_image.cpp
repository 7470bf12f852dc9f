#include "image/bitmap_image.h"

TBitmapImage::TBitmapImage(TRasterBitmapPtr bitmap, TPaletteHandle palette,
                           const TDIBSection& description, bool fromCoreHeader)
    : Palette_(std::move(palette)), Description_(description), FromCoreHeader_(fromCoreHeader) {
  if (bitmap == nullptr) return;
  if (bitmap->IsSection()) {
    Section_ = std::move(bitmap);
  } else {
    Device_ = std::move(bitmap);
  }
}

void TBitmapImage::SetMasks(std::uint32_t red, std::uint32_t green, std::uint32_t blue) {
  Description_.dsBitfields[0] = red;
  Description_.dsBitfields[1] = green;
  Description_.dsBitfields[2] = blue;
}
