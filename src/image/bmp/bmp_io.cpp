// TBitmap's BMP reading and writing: LoadFromStream, StoreToStream, the stored form inside a
// window description, and the safe StoreToFile.
#include <array>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "image/bitmap.h"
#include "image/bmp/bmp_format.h"
#include "image/bmp/rle_decoder.h"
#include "rtl/exception.h"
#include "rtl/file_save.h"
#include "rtl/messages.h"
#include "rtl/stream.h"

namespace {

// The colours of the 32-bit screen form for each index a run-length picture may use: the file's
// table, black beyond it.
std::array<std::uint32_t, 256> ScreenColours(const std::vector<TRGBQuad>& table) {
  std::array<std::uint32_t, 256> colours{};
  for (std::size_t i = 0; i < table.size() && i < colours.size(); ++i) {
    const TRGBQuad entry{table[i].rgbBlue, table[i].rgbGreen, table[i].rgbRed, 0};
    std::memcpy(&colours[i], &entry, sizeof entry);
  }
  return colours;
}

// Decodes a run-length picture into a device-dependent bitmap of the screen format. The encoded
// rows run from the bottom of the picture; the screen form stores them from the top.
TRasterBitmapPtr DecodeRunLength(const TBmpPrologue& prologue, TStream& stream) {
  std::vector<std::uint8_t> encoded(static_cast<std::size_t>(prologue.PixelBytes));
  stream.ReadBuffer(encoded.data(), prologue.PixelBytes);
  const int width = prologue.Header.biWidth;
  const int height = prologue.Header.biHeight;
  TRasterBitmapPtr device = TRasterBitmap::CreateDevice(width, height, false);
  const std::int64_t rowLength = device->RowLength();
  const TRleTarget target{device->Bits() + (height - 1) * rowLength,
                          -static_cast<std::ptrdiff_t>(rowLength), width, height};
  const std::array<std::uint32_t, 256> colours = ScreenColours(prologue.Colours);
  DecodeRle(prologue.Header.biCompression == BI_RLE8 ? TRleEncoding::reRle8
                                                     : TRleEncoding::reRle4,
            encoded, colours, target);
  return device;
}

// Reads a BMP of `available` bytes from the stream's position into `bitmap`. The bitmap's image
// is replaced only when the whole read succeeded.
void ReadBmp(TBitmap& bitmap, TStream& stream, std::int64_t available) {
  if (available == 0) {
    bitmap.ReplaceImage(nullptr, nullptr, false);
    return;
  }
  TBmpPrologue prologue = ReadBmpPrologue(stream, available);
  const TBitmapInfoHeader& h = prologue.Header;
  const bool runLength = h.biCompression == BI_RLE8 || h.biCompression == BI_RLE4;
  TRasterBitmapPtr made;
  TPaletteHandle palette;
  if (runLength) {
    made = DecodeRunLength(prologue, stream);
    palette = PaletteFromColorTable(prologue.Colours);
  } else {
    TBitmapInfoHeader header = h;
    header.biSize = kBmpInfoHeaderSize;
    made = TRasterBitmap::CreateSection(header, prologue.Masks.data(), prologue.Colours);
    if (prologue.PixelBytes > made->ImageSize()) throw EInvalidGraphic(rtl_messages::SInvalidBitmap);
    stream.ReadBuffer(made->Bits(), prologue.PixelBytes);
    // An optional table of a picture of more than 8 bits becomes its palette; smaller depths
    // get theirs from the section's table on demand.
    if (h.biBitCount > 8) palette = PaletteFromColorTable(prologue.Colours);
  }
  bitmap.ImageLoaded(std::move(made), std::move(palette), prologue.FromCoreHeader);
}

// What StoreToStream writes for `bitmap`, or nothing for a bitmap without pixels. Makes the DIB
// section of a device-dependent picture, and records in the image the colours used and the
// default masks, as the file will carry them.
std::optional<TBmpImage> DescribeForStoring(TBitmap& bitmap, std::vector<TRGBQuad>& table) {
  TRasterBitmap* section = bitmap.DIBSection();
  if (section == nullptr) return std::nullopt;
  TBitmapImage& image = bitmap.Image();
  const std::span<const TRGBQuad> own = section->ColorTable();
  table.assign(own.begin(), own.end());
  if (table.empty() && image.Palette() && !image.Halftone()) {
    table = image.Palette()->ColorTable(static_cast<int>(kBmpMaxColours));
  }
  TBmpImage result = StoredBmpImage(image.Description(), table, image.FromCoreHeader());
  // The colour count and the masks the file carries stay recorded in the image.
  image.SetColorsUsed(result.Header.biClrUsed);
  image.SetMasks(result.Masks[0], result.Masks[1], result.Masks[2]);
  result.Pixels = section->Bits();
  return result;
}

}  // namespace

void TBitmap::LoadFromStream(TStream& stream) {
  ReadBmp(*this, stream, stream.Size() - stream.Position());
}

void TBitmap::StoreToStream(TStream& stream) {
  std::vector<TRGBQuad> table;
  if (const std::optional<TBmpImage> image = DescribeForStoring(*this, table)) {
    WriteBmp(stream, *image);
  }
}

void TBitmap::ReadData(TStream& stream) {
  std::uint8_t count[4];
  stream.ReadBuffer(count, 4);
  const std::int64_t size = std::int64_t{count[0]} | std::int64_t{count[1]} << 8 |
                            std::int64_t{count[2]} << 16 | std::int64_t{count[3]} << 24;
  const std::int64_t start = stream.Position();
  ReadBmp(*this, stream, size);
  // Whatever the picture's own length, the data that follows starts after the counted bytes.
  stream.SetPosition(start + size);
}

void TBitmap::WriteData(TStream& stream) {
  std::vector<TRGBQuad> table;
  const std::optional<TBmpImage> image = DescribeForStoring(*this, table);
  const std::int64_t size = image ? BmpFileSize(*image) : 0;
  const std::uint8_t count[4] = {
      static_cast<std::uint8_t>(size), static_cast<std::uint8_t>(size >> 8),
      static_cast<std::uint8_t>(size >> 16), static_cast<std::uint8_t>(size >> 24)};
  stream.WriteBuffer(count, 4);
  if (image) WriteBmp(stream, *image);
}

void TBitmap::StoreToFile(const std::string& fileName) {
  TFileSave save(fileName);
  StoreToStream(save.Stream());
  save.Commit();
}
