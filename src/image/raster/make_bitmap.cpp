#include "image/raster/make_bitmap.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "image/raster/pixel_format.h"

namespace {

// The colour table of a new DIB section of `bitCount` bits (8 or fewer).
std::vector<TRGBQuad> SectionColorTable(const TRasterBitmap* source,
                                        const TPaletteHandle& targetPalette, int bitCount) {
  std::vector<TRGBQuad> table;
  if (bitCount == 1 && (source == nullptr || !source->IsSection())) {
    table = DefaultColorTable(1);
  } else if (targetPalette != nullptr) {
    table = targetPalette->ColorTable(256);
  } else if (source != nullptr) {
    if (source->IsSection()) {
      const auto own = source->ColorTable();
      table.assign(own.begin(), own.end());
    } else {
      table = source->IsMonochrome() ? DefaultColorTable(1) : DefaultColorTable(bitCount);
    }
  }
  // A source without a table (a true-colour section, with no palette to convert with) would
  // leave the table black, and every pixel with it; the engine's default colours keep the
  // picture recognisable instead.
  if (table.empty()) table = DefaultColorTable(bitCount);
  return table;
}

}  // namespace

TRasterBitmapPtr MakeBitmap(const TRasterBitmap* source, const TPaletteHandle& targetPalette,
                            TDIBSection& description) {
  const TBitmapInfoHeader& header = description.dsBmih;
  const bool nothing = header.biSize != 0
                           ? header.biWidth == 0 || header.biHeight == 0
                           : description.dsBm.bmWidth == 0 || description.dsBm.bmHeight == 0;
  if (nothing) return nullptr;

  TRasterBitmapPtr made;
  bool direct = false;
  if (header.biSize >= sizeof(TBitmapInfoHeader)) {
    TBitmapInfoHeader target = header;
    target.biSize = sizeof(TBitmapInfoHeader);
    target.biPlanes = 1;
    std::vector<TRGBQuad> table;
    if (target.biBitCount <= 8) table = SectionColorTable(source, targetPalette, target.biBitCount);
    made = TRasterBitmap::CreateSection(target, description.dsBitfields, table);
    direct = source != nullptr && target.biWidth == source->Width() &&
             target.biHeight == source->Height() && target.biBitCount > 8;
  } else {
    const TBitmapRecord& bm = description.dsBm;
    made = TRasterBitmap::CreateDevice(std::abs(bm.bmWidth), std::abs(bm.bmHeight),
                                       bm.bmPlanes == 1 && bm.bmBitsPixel == 1);
  }

  if (direct) {
    ConvertPixels(*source, *made, made->Width(), made->Height());
  } else {
    const int width = source ? std::min(source->Width(), made->Width()) : 0;
    const int height = source ? std::min(source->Height(), made->Height()) : 0;
    if (width < made->Width() || height < made->Height()) FillWhite(*made);
    if (source != nullptr) ConvertPixels(*source, *made, width, height);
  }

  if (made->IsSection()) {
    description = made->Description();
  } else {
    description.dsBm = made->Description().dsBm;
  }
  return made;
}
