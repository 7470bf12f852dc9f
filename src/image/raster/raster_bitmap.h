// The raster engine's bitmap: what a bitmap handle names on the platform. The engine is ours on
// every build, so pictures behave the same on Windows and elsewhere and never touch the OS.
//
// A TRasterBitmap is one of two kinds:
//  - a DIB section: an info header, a colour table (1, 4 and 8 bits), the three masks
//    (BI_BITFIELDS) and pixel memory laid out as the header says (rows padded to 4 bytes,
//    bottom-up for a positive height, top-down for a negative one), addressable directly;
//  - a device-dependent bitmap in the "screen" format: 32 bits per pixel, bytes blue, green,
//    red, 0, rows top-down; or monochrome, 1 bit per pixel (0 black, 1 white), rows top-down
//    and padded to 2 bytes.
// The object owns its pixel memory; whoever holds the unique_ptr owns the bitmap.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "image/raster/dib.h"

// The largest pixel memory the engine makes for one bitmap, on every build: the most that a
// 32-bit process can address in one block.
inline constexpr std::int64_t kMaxPixelMemory = 0x7FFFFFFF;

class TRasterBitmap {
  struct TPrivate {
    explicit TPrivate() = default;
  };

 public:
  // Made only by the factories below.
  explicit TRasterBitmap(TPrivate);
  TRasterBitmap(const TRasterBitmap&) = delete;
  TRasterBitmap& operator=(const TRasterBitmap&) = delete;
  ~TRasterBitmap();

  // A DIB section from `header` (only its first 40 bytes are read; biSize is reported as 40),
  // `masks` (red, green, blue; read for 16 and 32 bits with BI_BITFIELDS, where a red mask of 0
  // selects the default masks of the depth) and `colorTable` (for 1, 4 and 8 bits: the section
  // takes biClrUsed entries, or 2^bits when biClrUsed is 0 or larger; entries missing from
  // `colorTable` are black). The pixel memory starts zeroed.
  // Fails with EInvalidGraphic "ビットマップイメージが不正です" for a width of 0 or less, a height
  // of 0, a bit count other than 1, 4, 8, 16, 24, 32, a compression other than BI_RGB (or
  // BI_BITFIELDS at 16 and 32 bits), or pixel memory larger than kMaxPixelMemory; with
  // EOutOfResources "システム リソースが足りません" when the memory cannot be had.
  static std::unique_ptr<TRasterBitmap> CreateSection(const TBitmapInfoHeader& header,
                                                      const std::uint32_t* masks,
                                                      std::span<const TRGBQuad> colorTable);

  // A device-dependent bitmap of `width` x `height` pixels (both at least 1): monochrome, or the
  // 32-bit screen format. The pixels start black (all bits 0). Fails as CreateSection does.
  static std::unique_ptr<TRasterBitmap> CreateDevice(int width, int height, bool monochrome);

  bool IsSection() const { return Description_.dsBm.bmBits != nullptr; }
  bool IsMonochrome() const { return Description_.dsBm.bmBitsPixel == 1; }

  // What the platform reports for the bitmap: the whole record for a DIB section; for a
  // device-dependent bitmap only the BITMAP part, the rest 0.
  const TDIBSection& Description() const { return Description_; }
  int Width() const { return Description_.dsBm.bmWidth; }
  int Height() const { return Description_.dsBm.bmHeight; }
  int BitCount() const { return Description_.dsBm.bmBitsPixel; }
  // Bytes per row of the pixel memory.
  std::int64_t RowLength() const { return Description_.dsBm.bmWidthBytes; }

  // The pixel memory: RowLength() x Height() bytes, rows in memory order.
  std::uint8_t* Bits() { return Bits_.get(); }
  const std::uint8_t* Bits() const { return Bits_.get(); }
  std::int64_t ImageSize() const { return RowLength() * Height(); }
  // The row `row` counted from the top of the picture, whatever the order in memory.
  std::uint8_t* Row(int row);
  const std::uint8_t* Row(int row) const;

  // The colour table of a DIB section of 8 bits or fewer (empty otherwise). SetColorTable
  // overwrites entries from the first, at most as many as the table holds.
  std::span<const TRGBQuad> ColorTable() const { return ColorTable_; }
  void SetColorTable(std::span<const TRGBQuad> entries);

  // An exact copy: same kind, header, table, masks and pixel bytes (row padding included).
  std::unique_ptr<TRasterBitmap> Duplicate() const;

  // Number of engine bitmaps alive in the process, and number made since start (copies and
  // conversions included). Tests use them to see that sharing copies nothing and that a released
  // image frees its bitmaps.
  static std::int64_t LiveCount();
  static std::int64_t MadeCount();

 private:
  struct TFreeDeleter {
    void operator()(std::uint8_t* memory) const;
  };
  void AllocatePixels(std::int64_t bytes);

  TDIBSection Description_{};
  std::vector<TRGBQuad> ColorTable_;
  std::unique_ptr<std::uint8_t[], TFreeDeleter> Bits_;
};

using TRasterBitmapPtr = std::unique_ptr<TRasterBitmap>;
