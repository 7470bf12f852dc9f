// Reading the rows of a 24-bit picture without changing it. RowData gives a bitmap pixels of its
// own first, which copies a whole image that another bitmap shares; a reader only looks.
#pragma once

#include <cstdint>

#include "image/bitmap.h"
#include "image/raster/dib.h"

class TRowReader {
 public:
  // `bitmap` must be in the 24-bit layout and outlive the reader, its image unchanged meanwhile.
  explicit TRowReader(TBitmap& bitmap) {
    const TDIBView view = bitmap.DIBView();
    if (view.Header == nullptr) return;
    Bits_ = view.Bits;
    Stride_ = DIBRowLength(view.Header->biWidth, 24);
    Height_ = bitmap.Height();
    BottomUp_ = view.Header->biHeight > 0;
  }

  // Row `y`, 0 the top row, for 0 <= y < the picture's height.
  const std::uint8_t* Row(int y) const {
    return Bits_ + Stride_ * (BottomUp_ ? Height_ - 1 - y : y);
  }

 private:
  const std::uint8_t* Bits_ = nullptr;
  std::int64_t Stride_ = 0;
  int Height_ = 0;
  bool BottomUp_ = false;
};
