// TBitmap: the picture class that holds every picture, with shared, reference-counted pixels.
//
// Sharing: Assign makes two bitmaps refer to one TBitmapImage and copies no pixels. A bitmap that
// is about to change an image it shares first takes a private copy (copy on write), so the other
// bitmaps never see the change. Row addresses (RowData) point into the bitmap's own image and
// stay valid until its image is next replaced (assignment, loading, change of layout, private
// copy).
//
// Threads: one process-wide lock guards every swap of the image a bitmap refers to; everything
// else about one bitmap belongs to the thread that uses it.
#pragma once

#include <cstdint>
#include <span>

#include "image/bitmap_image.h"
#include "image/raster/dib.h"
#include "image/graphic.h"
#include "image/raster/palette.h"
#include "image/raster/raster_bitmap.h"

// The layout of a bitmap's pixels, as PixelLayout reads and writes it.
enum class TPixelLayout {
  plDevice,  // device-dependent (or a new, empty bitmap)
  pl1Bit,
  pl4Bit,
  pl8Bit,
  pl15Bit,   // 16 bits, BI_RGB: 5-5-5
  pl16Bit,   // 16 bits, BI_BITFIELDS with green mask 0x07E0: 5-6-5
  pl24Bit,
  pl32Bit,   // 32 bits, BI_RGB
  plCustom,  // anything else; cannot be set
};

// A read-only view of a bitmap's DIB section for drawing it (StretchDIBits and the like). The
// pointers refer into the bitmap's image and stay valid until its image is next replaced.
struct TDIBView {
  const TBitmapInfoHeader* Header = nullptr;      // null for an empty bitmap
  const std::uint32_t* Masks = nullptr;           // three masks; read with BI_BITFIELDS
  std::span<const TRGBQuad> ColorTable;           // 8 bits or fewer
  const std::uint8_t* Bits = nullptr;             // pixel memory in the header's layout
  bool HasPalette = false;                        // the image has a palette (made on demand)
};

class TBitmap : public TGraphic {
 public:
  TS_CLASS_NAME(TBitmap)

  // An empty bitmap: its own empty image, layout plDevice, 0 x 0, no palette.
  TBitmap();
  ~TBitmap() override;

  TGraphicClass ClassType() const override;

  // A TBitmap (or derived) source: this bitmap shares the source's image and copies its
  // transparency settings; null: a new empty image. Any other source: the generic assignment of
  // TPersistent. Ends with the change notification.
  void Assign(const TPersistent* source) override;

  bool Empty() const override;
  int Width() const override;
  int Height() const override;
  // Changes the size into a new image of this bitmap's own, in the same layout (and row order):
  // the part both sizes share keeps its pixels, new pixels are white. A size with a 0 in it leaves
  // the bitmap without pixels. Nothing happens for the current size; a negative size fails with
  // EInvalidGraphic "ビットマップイメージが不正です". Ends with the change notification.
  void SetWidth(int width);
  void SetHeight(int height);

  TPixelLayout PixelLayout() const;
  // Converts the picture to `layout` into a new image of this bitmap's own; an image shared with
  // other bitmaps is read, never changed. Nothing happens when the layout already reads
  // `layout`. plCustom fails with EInvalidGraphic "画像フォーマットが不正です" and changes
  // nothing. A failed conversion leaves the picture as it was.
  void SetPixelLayout(TPixelLayout layout);

  // The address of row `row` (0 is the top row) in this bitmap's own pixel memory, in the
  // layout of its header; takes a private copy first when the image is shared, and makes a DIB
  // section from a device-dependent picture. Fails with EInvalidGraphicOperation
  // "スキャンライン のインデックスが範囲を越えました" for a row outside 0 to Height() - 1.
  std::uint8_t* RowData(int row);

  // The image's palette, made on demand from the DIB section's colour table. Null when the
  // picture has none (more than 8 bits, or empty).
  TPaletteHandle Palette();

  // The image this bitmap refers to, for readers and writers of the picture. Valid until the
  // image is next replaced.
  const TBitmapImage& Image() const { return *Image_; }
  TBitmapImage& Image() { return *Image_; }
  const TDIBSection& Description() const { return Image_->Description(); }

  // The DIB section of the image, made on demand from a device-dependent picture (the image then
  // keeps both). Null for an empty bitmap.
  TRasterBitmap* DIBSection();
  // The view for drawing; makes the DIB section on demand. Copies no pixels.
  TDIBView DIBView();

  // Replaces this bitmap's image by a new image holding `bitmap` (a DIB section, a
  // device-dependent bitmap, or null for an empty image), `palette` and `fromCoreHeader`; the
  // description is read from `bitmap`. No notification: see ImageLoaded.
  void ReplaceImage(TRasterBitmapPtr bitmap, TPaletteHandle palette, bool fromCoreHeader);
  // What ends a load: ReplaceImage, then PaletteModified := the palette on demand is not null,
  // then the change notification.
  void ImageLoaded(TRasterBitmapPtr bitmap, TPaletteHandle palette, bool fromCoreHeader);

  // BMP bytes at the stream's position (the BMP reader and writer).
  void LoadFromStream(TStream& stream) override;
  void StoreToStream(TStream& stream) override;
  // Writes the BMP into a temporary file beside `fileName` and puts it in place only when every
  // byte is written, so a failed save leaves any old file intact.
  void StoreToFile(const std::string& fileName) override;
  // The stored form inside a window description: a 32-bit byte count and that many BMP bytes.
  void ReadData(TStream& stream) override;
  void WriteData(TStream& stream) override;
  // Takes a bitmap from clipboard data of `format` (only the bitmap format is read); `data` and
  // `palette` are the platform's handles (0 for none). The picture becomes device-dependent.
  virtual void LoadFromClipboardData(unsigned format, std::uintptr_t data, std::uintptr_t palette);

  // Transparency settings, kept as data: a key colour of 0x20000000 means "the colour of the
  // bottom-left pixel".
  std::uint32_t TransparentColor() const { return TransparentColor_; }
  void SetTransparentColor(std::uint32_t color) { TransparentColor_ = color; }
  std::uint8_t TransparentMode() const { return TransparentMode_; }
  void SetTransparentMode(std::uint8_t mode) { TransparentMode_ = mode; }

 private:
  // Swaps the image under the process-wide lock; the old one loses this bitmap's reference.
  void SetImage(TBitmapImageRef image);
  // Gives this bitmap an image of its own, a copy of the one it shares (no notification).
  void PrivateCopy();
  void SetSize(int width, int height);
  void ConvertToDevice();
  void MakeSectionFromDevice();
  void PaletteOnDemand();

  TBitmapImageRef Image_;
  bool PaletteUnavailable_ = false;
  std::uint32_t TransparentColor_ = 0x20000000;
  std::uint8_t TransparentMode_ = 0;
};
