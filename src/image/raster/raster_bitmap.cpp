#include "image/raster/raster_bitmap.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>

#include "rtl/exception.h"
#include "rtl/messages.h"

namespace {

std::atomic<std::int64_t> LiveBitmaps{0};
std::atomic<std::int64_t> MadeBitmaps{0};

[[noreturn]] void RaiseInvalid() { throw EInvalidGraphic(rtl_messages::SInvalidBitmap); }

// The bytes of pixel memory for `rowLength` x `height`, refused when it exceeds what the engine
// makes. Row length and height are at most 2^33 and 2^31, so the product cannot overflow once
// the row length alone has been checked.
std::int64_t CheckedPixelMemory(std::int64_t rowLength, std::int64_t height) {
  if (rowLength <= 0 || height <= 0 || rowLength > kMaxPixelMemory) RaiseInvalid();
  const std::int64_t bytes = rowLength * height;
  if (bytes > kMaxPixelMemory) RaiseInvalid();
  return bytes;
}

}  // namespace

void TRasterBitmap::TFreeDeleter::operator()(std::uint8_t* memory) const { std::free(memory); }

TRasterBitmap::TRasterBitmap(TPrivate) {
  LiveBitmaps.fetch_add(1, std::memory_order_relaxed);
  MadeBitmaps.fetch_add(1, std::memory_order_relaxed);
}

TRasterBitmap::~TRasterBitmap() { LiveBitmaps.fetch_sub(1, std::memory_order_relaxed); }

std::int64_t TRasterBitmap::LiveCount() { return LiveBitmaps.load(std::memory_order_relaxed); }
std::int64_t TRasterBitmap::MadeCount() { return MadeBitmaps.load(std::memory_order_relaxed); }

void TRasterBitmap::AllocatePixels(std::int64_t bytes) {
  // calloc: large blocks come straight from the system as zero pages, so a picture that is
  // filled at once is not written twice.
  void* memory = std::calloc(static_cast<std::size_t>(bytes), 1);
  if (memory == nullptr) throw EOutOfResources(rtl_messages::SOutOfResources);
  Bits_.reset(static_cast<std::uint8_t*>(memory));
}

std::unique_ptr<TRasterBitmap> TRasterBitmap::CreateSection(const TBitmapInfoHeader& header,
                                                            const std::uint32_t* masks,
                                                            std::span<const TRGBQuad> colorTable) {
  const int bitCount = header.biBitCount;
  const std::int64_t width = header.biWidth;
  const std::int64_t height = header.biHeight < 0 ? -std::int64_t{header.biHeight} : header.biHeight;
  if (width <= 0 || height == 0 || height > INT32_MAX || !IsDIBBitCount(bitCount)) RaiseInvalid();
  const bool bitFields = header.biCompression == BI_BITFIELDS;
  if (header.biCompression != BI_RGB && !(bitFields && (bitCount == 16 || bitCount == 32))) {
    RaiseInvalid();
  }
  const std::int64_t rowLength = DIBRowLength(width, bitCount);
  const std::int64_t bytes = CheckedPixelMemory(rowLength, height);

  auto bitmap = std::make_unique<TRasterBitmap>(TPrivate{});
  bitmap->AllocatePixels(bytes);

  TDIBSection& d = bitmap->Description_;
  d.dsBm.bmType = 0;
  d.dsBm.bmWidth = static_cast<std::int32_t>(width);
  d.dsBm.bmHeight = static_cast<std::int32_t>(height);
  d.dsBm.bmWidthBytes = static_cast<std::int32_t>(rowLength);
  d.dsBm.bmPlanes = 1;
  d.dsBm.bmBitsPixel = static_cast<std::uint16_t>(bitCount);
  d.dsBm.bmBits = bitmap->Bits_.get();
  d.dsBmih = header;
  d.dsBmih.biSize = sizeof(TBitmapInfoHeader);
  d.dsBmih.biPlanes = 1;
  // The image size always tells the real size of the pixel memory, so that whoever writes the
  // memory out by it never reads past its end.
  d.dsBmih.biSizeImage = static_cast<std::uint32_t>(bytes);
  if (bitFields) {
    const std::uint32_t* chosen = masks;
    if (chosen == nullptr || chosen[0] == 0) chosen = bitCount == 16 ? kMasks565 : kMasks888;
    std::copy(chosen, chosen + 3, d.dsBitfields);
  }
  if (bitCount <= 8) {
    const std::uint32_t full = 1u << bitCount;
    const std::uint32_t entries =
        header.biClrUsed == 0 || header.biClrUsed > full ? full : header.biClrUsed;
    d.dsBmih.biClrUsed = header.biClrUsed > full ? full : header.biClrUsed;
    bitmap->ColorTable_.assign(entries, TRGBQuad{0, 0, 0, 0});
    bitmap->SetColorTable(colorTable);
  }
  return bitmap;
}

std::unique_ptr<TRasterBitmap> TRasterBitmap::CreateDevice(int width, int height, bool monochrome) {
  if (width <= 0 || height <= 0) RaiseInvalid();
  // Monochrome rows are padded to 2 bytes, as the platform keeps device-dependent bitmaps.
  const std::int64_t rowLength =
      monochrome ? (std::int64_t{width} + 15) / 16 * 2 : std::int64_t{width} * 4;
  const std::int64_t bytes = CheckedPixelMemory(rowLength, height);

  auto bitmap = std::make_unique<TRasterBitmap>(TPrivate{});
  bitmap->AllocatePixels(bytes);
  TBitmapRecord& bm = bitmap->Description_.dsBm;
  bm.bmType = 0;
  bm.bmWidth = width;
  bm.bmHeight = height;
  bm.bmWidthBytes = static_cast<std::int32_t>(rowLength);
  bm.bmPlanes = 1;
  bm.bmBitsPixel = monochrome ? 1 : 32;
  bm.bmBits = nullptr;
  return bitmap;
}

std::uint8_t* TRasterBitmap::Row(int row) {
  return const_cast<std::uint8_t*>(static_cast<const TRasterBitmap*>(this)->Row(row));
}

const std::uint8_t* TRasterBitmap::Row(int row) const {
  const bool bottomUp = IsSection() && Description_.dsBmih.biHeight > 0;
  const std::int64_t memoryRow = bottomUp ? std::int64_t{Height()} - row - 1 : row;
  return Bits_.get() + memoryRow * RowLength();
}

void TRasterBitmap::SetColorTable(std::span<const TRGBQuad> entries) {
  const std::size_t count = std::min(entries.size(), ColorTable_.size());
  std::copy_n(entries.begin(), count, ColorTable_.begin());
}

std::unique_ptr<TRasterBitmap> TRasterBitmap::Duplicate() const {
  auto copy = std::make_unique<TRasterBitmap>(TPrivate{});
  copy->AllocatePixels(ImageSize());
  std::memcpy(copy->Bits_.get(), Bits_.get(), static_cast<std::size_t>(ImageSize()));
  copy->Description_ = Description_;
  if (IsSection()) copy->Description_.dsBm.bmBits = copy->Bits_.get();
  copy->ColorTable_ = ColorTable_;
  return copy;
}
