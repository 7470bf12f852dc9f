#include "image/blank_picture.h"

#include "image/raster/raster_bitmap.h"

std::unique_ptr<TBitmap> NewPicture24(int width, int height) {
  TBitmapInfoHeader header{};
  header.biSize = sizeof header;
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biBitCount = 24;
  auto picture = std::make_unique<TBitmap>();
  picture->ImageLoaded(TRasterBitmap::CreateSection(header, nullptr, {}), nullptr, false);
  return picture;
}
