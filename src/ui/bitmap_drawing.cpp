#include "ui/bitmap_drawing.h"

#include <cstring>
#include <vector>

#include "image/bitmap.h"
#include "ui/gdi_object.h"

namespace {

// BITMAPINFO with its masks or colour table, as the view describes the pixels.
std::vector<std::uint8_t> BitmapInfo(const TDIBView& view) {
  TBitmapInfoHeader header = *view.Header;
  header.biSize = sizeof(TBitmapInfoHeader);
  std::size_t tail = 0;
  if (header.biCompression == BI_BITFIELDS) {
    tail = 3 * sizeof(std::uint32_t);
  } else if (header.biBitCount <= 8) {
    header.biClrUsed = static_cast<std::uint32_t>(view.ColorTable.size());
    tail = view.ColorTable.size_bytes();
  }
  std::vector<std::uint8_t> info(sizeof header + tail);
  std::memcpy(info.data(), &header, sizeof header);
  if (header.biCompression == BI_BITFIELDS) {
    std::memcpy(info.data() + sizeof header, view.Masks, tail);
  } else if (tail > 0) {
    std::memcpy(info.data() + sizeof header, view.ColorTable.data(), tail);
  }
  return info;
}

TGdiObject<HPALETTE> NativePalette(const TPalette& palette) {
  std::vector<std::uint8_t> block(sizeof(LOGPALETTE) +
                                  sizeof(PALETTEENTRY) * static_cast<std::size_t>(palette.Count()));
  auto* logical = reinterpret_cast<LOGPALETTE*>(block.data());
  logical->palVersion = 0x300;
  logical->palNumEntries = static_cast<WORD>(palette.Count());
  static_assert(sizeof(TPaletteEntry) == sizeof(PALETTEENTRY));
  std::memcpy(logical->palPalEntry, palette.Entries().data(), palette.Entries().size_bytes());
  return TGdiObject<HPALETTE>(::CreatePalette(logical));
}

}  // namespace

void StretchDrawBitmap(HDC dc, const RECT& target, TBitmap& bitmap) {
  const TDIBView view = bitmap.DIBView();
  if (view.Header == nullptr || view.Bits == nullptr) return;

  TGdiObject<HPALETTE> palette;
  HPALETTE oldPalette = nullptr;
  if (view.HasPalette) {
    if (const TPaletteHandle held = bitmap.Palette()) palette = NativePalette(*held);
  }
  if (palette) {
    oldPalette = ::SelectPalette(dc, palette.Get(), TRUE);
    ::RealizePalette(dc);
  }

  const int targetBits = ::GetDeviceCaps(dc, BITSPIXEL) * ::GetDeviceCaps(dc, PLANES);
  const int imageBits = view.Header->biBitCount * view.Header->biPlanes;
  if (targetBits <= 8 && targetBits < imageBits) {
    ::SetStretchBltMode(dc, HALFTONE);
    POINT origin{};
    ::GetBrushOrgEx(dc, &origin);
    ::SetBrushOrgEx(dc, origin.x, origin.y, nullptr);  // HALFTONE wants the origin set again
  } else if (imageBits != 1) {
    ::SetStretchBltMode(dc, COLORONCOLOR);
  }

  const std::vector<std::uint8_t> info = BitmapInfo(view);
  const int width = view.Header->biWidth;
  const int height = view.Header->biHeight < 0 ? -view.Header->biHeight : view.Header->biHeight;
  ::StretchDIBits(dc, target.left, target.top, target.right - target.left,
                  target.bottom - target.top, 0, 0, width, height, view.Bits,
                  reinterpret_cast<const BITMAPINFO*>(info.data()), DIB_RGB_COLORS, SRCCOPY);

  if (oldPalette != nullptr) ::SelectPalette(dc, oldPalette, TRUE);
}
