// TBitmapImage: the pixels of one or more TBitmap objects, shared by reference.
//
// The image owns its engine bitmaps (the DIB section and/or a separate device-dependent bitmap),
// its transparency mask and its palette handle, and frees them when the last TBitmap releases
// it. It is in one of four states: empty (no bitmaps); DIB section only (DeviceHandle is the
// section); device-dependent only; or both (a section made from the device bitmap for row
// access or storing). A shared image (RefCount above 1) never changes its pixels: what may still
// be added to it is the palette and the DIB section made on demand (both from what it holds) and
// the bookkeeping a writer sets (SetColorsUsed, SetMasks).
#pragma once

#include "image/raster/dib.h"
#include "image/raster/palette.h"
#include "image/raster/raster_bitmap.h"
#include "image/shared_image.h"

class TBitmapImage : public TSharedImage {
 public:
  // An empty image: no bitmaps, no palette, the whole description 0.
  TBitmapImage() = default;
  // An image holding `bitmap` (a DIB section or a device-dependent bitmap, or null) and
  // `palette`, described by `description` (the caller refreshed it from `bitmap`).
  TBitmapImage(TRasterBitmapPtr bitmap, TPaletteHandle palette, const TDIBSection& description,
               bool fromCoreHeader);

  // The bitmap the picture is drawn from: the separate device-dependent bitmap if there is one,
  // else the DIB section; null for an empty image.
  TRasterBitmap* DeviceHandle() const { return Device_ ? Device_.get() : Section_.get(); }
  // The DIB section; null while the image exists only in device-dependent form.
  TRasterBitmap* SectionHandle() const { return Section_.get(); }
  // Whether the image has a device-dependent bitmap of its own besides (or instead of) a section.
  bool HasSeparateDevice() const { return Device_ != nullptr; }
  // The transparency mask, made on demand for transparent drawing; null when none.
  TRasterBitmap* MaskHandle() const { return Mask_.get(); }

  const TPaletteHandle& Palette() const { return Palette_; }
  const TDIBSection& Description() const { return Description_; }
  // The image was read from a BMP with the 12-byte core header and is written back that way.
  bool FromCoreHeader() const { return FromCoreHeader_; }
  // The palette is a display palette made only for showing the image; it is never stored.
  bool Halftone() const { return Halftone_; }

  // Bookkeeping of the BMP writer, kept in the image afterwards.
  void SetColorsUsed(std::uint32_t count) { Description_.dsBmih.biClrUsed = count; }
  void SetMasks(std::uint32_t red, std::uint32_t green, std::uint32_t blue);

 private:
  friend class TBitmap;

  TRasterBitmapPtr Device_;
  TRasterBitmapPtr Mask_;
  TPaletteHandle Palette_;
  TRasterBitmapPtr Section_;
  TDIBSection Description_{};
  bool FromCoreHeader_ = false;
  bool Halftone_ = false;
};

using TBitmapImageRef = TSharedImageRef<TBitmapImage>;
