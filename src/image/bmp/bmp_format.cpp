#include "image/bmp/bmp_format.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "image/raster/raster_bitmap.h"
#include "rtl/exception.h"
#include "rtl/messages.h"
#include "rtl/stream.h"

namespace {

// The header is kept up to the end of the longest known one (124 bytes); what a longer header
// holds beyond that has no meaning for the picture and is skipped.
constexpr std::uint32_t kKeptHeaderSize = 124;
// Inside headers of 52 bytes or more, the masks follow the first 40 bytes.
constexpr std::uint32_t kHeaderWithMasksSize = 52;

[[noreturn]] void Invalid() { throw EInvalidGraphic(rtl_messages::SInvalidBitmap); }

std::uint16_t Get16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
std::uint32_t Get32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
void Put16(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}
void Put32(std::uint8_t* p, std::uint32_t v) {
  Put16(p, v);
  Put16(p + 2, v >> 16);
}

TBitmapInfoHeader DecodeInfoHeader(const std::uint8_t* p) {
  TBitmapInfoHeader h{};
  h.biSize = Get32(p);
  h.biWidth = static_cast<std::int32_t>(Get32(p + 4));
  h.biHeight = static_cast<std::int32_t>(Get32(p + 8));
  h.biPlanes = Get16(p + 12);
  h.biBitCount = Get16(p + 14);
  h.biCompression = Get32(p + 16);
  h.biSizeImage = Get32(p + 20);
  h.biXPelsPerMeter = static_cast<std::int32_t>(Get32(p + 24));
  h.biYPelsPerMeter = static_cast<std::int32_t>(Get32(p + 28));
  h.biClrUsed = Get32(p + 32);
  h.biClrImportant = Get32(p + 36);
  return h;
}

void EncodeInfoHeader(const TBitmapInfoHeader& h, std::uint8_t* p) {
  Put32(p, h.biSize);
  Put32(p + 4, static_cast<std::uint32_t>(h.biWidth));
  Put32(p + 8, static_cast<std::uint32_t>(h.biHeight));
  Put16(p + 12, h.biPlanes);
  Put16(p + 14, h.biBitCount);
  Put32(p + 16, h.biCompression);
  Put32(p + 20, h.biSizeImage);
  Put32(p + 24, static_cast<std::uint32_t>(h.biXPelsPerMeter));
  Put32(p + 28, static_cast<std::uint32_t>(h.biYPelsPerMeter));
  Put32(p + 32, h.biClrUsed);
  Put32(p + 36, h.biClrImportant);
}

// The run-length encodings are defined for bottom-up pictures of their own depth only.
void CheckRunLength(const TBitmapInfoHeader& h) {
  const bool rle8 = h.biCompression == BI_RLE8;
  const bool rle4 = h.biCompression == BI_RLE4;
  if ((rle8 && h.biBitCount != 8) || (rle4 && h.biBitCount != 4) ||
      ((rle8 || rle4) && h.biHeight < 0))
    Invalid();
}

// The bytes of the pixel memory the picture needs: rows of its width and bit count, |height|
// of them. Refuses what no bitmap may hold, also counting the 32-bit screen form that a
// run-length picture is decoded into (CheckRunLength has run: such pictures have 4 or 8 bits).
std::int64_t CheckedPixelMemory(const TBitmapInfoHeader& h) {
  if (h.biWidth <= 0 || h.biHeight == 0 || h.biHeight == std::numeric_limits<std::int32_t>::min())
    Invalid();
  const std::int64_t rows = h.biHeight < 0 ? -std::int64_t{h.biHeight} : h.biHeight;
  const bool runLength = h.biCompression == BI_RLE8 || h.biCompression == BI_RLE4;
  // Each row length fits easily in 64 bits (at most 2^31 pixels of 2^16 bits); the product
  // with the rows is formed only once it is known to stay below the limit.
  const std::int64_t storedRow = DIBRowLength(h.biWidth, h.biBitCount);
  const std::int64_t largestRow = runLength ? DIBRowLength(h.biWidth, 32) : storedRow;
  if (largestRow > kMaxPixelMemory || (largestRow != 0 && rows > kMaxPixelMemory / largestRow))
    Invalid();
  return storedRow * rows;
}

std::uint32_t FullTableSize(std::uint16_t bitCount) {
  switch (bitCount) {
    case 1: return 2;
    case 4: return 16;
    case 8: return 256;
    default: return 0;
  }
}

// The bytes between the end of the colour table, `read` bytes into the file, and the first pixel
// byte at `offset` (the file header's field). Files with a gap there (padding after the masks, a
// full table behind a smaller colour count) are common, and other readers take their rows from
// the offset. It counts only where it points at or past the end of the table and leaves room for
// the `rows` bytes among the `available` ones after the table; any other offset (0 from careless
// writers, one past the end of a cut file) is not trusted, and the rows follow the table.
std::int64_t PixelGap(std::uint32_t offset, std::int64_t read, std::int64_t available,
                      std::int64_t rows) {
  const std::int64_t gap = std::int64_t{offset} - read;
  return gap >= 0 && gap <= available && available - gap >= rows ? gap : 0;
}

}  // namespace

TBmpPrologue ReadBmpPrologue(TStream& stream, std::int64_t available) {
  const std::int64_t total = available;
  // Exact reads within the `available` bytes: asking for more fails as the end of the stream
  // would, also where the stream itself goes on (a stored picture followed by other data).
  const auto readExact = [&stream, &available](void* buffer, std::int64_t count) {
    if (count > available) throw EReadError(rtl_messages::SReadError);
    stream.ReadBuffer(buffer, count);
    available -= count;
  };

  std::uint8_t fileHeader[kBmpFileHeaderSize];
  readExact(fileHeader, kBmpFileHeaderSize);
  if (Get16(fileHeader) != kBmpFileType) Invalid();

  // The header size and the header itself: a stream ending inside them is no picture.
  TBmpPrologue result;
  std::uint8_t header[kKeptHeaderSize] = {};
  if (available < 4) Invalid();
  readExact(header, 4);
  const std::uint32_t headerSize = Get32(header);
  if (headerSize == kBmpCoreHeaderSize) {
    if (available < kBmpCoreHeaderSize - 4) Invalid();
    readExact(header + 4, kBmpCoreHeaderSize - 4);
    result.FromCoreHeader = true;
    result.Header.biSize = kBmpCoreHeaderSize;
    result.Header.biWidth = Get16(header + 4);
    result.Header.biHeight = Get16(header + 6);
    result.Header.biPlanes = Get16(header + 8);
    result.Header.biBitCount = Get16(header + 10);
  } else {
    if (headerSize < kBmpInfoHeaderSize || headerSize - 4 > available) Invalid();
    const std::uint32_t kept = std::min(headerSize, kKeptHeaderSize);
    readExact(header + 4, kept - 4);
    if (headerSize > kept) {
      stream.Seek(headerSize - kept, TSeekOrigin::soCurrent);
      available -= headerSize - kept;
    }
    result.Header = DecodeInfoHeader(header);
  }
  TBitmapInfoHeader& h = result.Header;
  if (h.biPlanes != 1) Invalid();

  if (h.biCompression == BI_BITFIELDS && (h.biBitCount == 16 || h.biBitCount == 32)) {
    std::uint8_t masks[kBmpMasksSize];
    const std::uint8_t* from = header + kBmpInfoHeaderSize;
    if (headerSize == kBmpInfoHeaderSize) {
      readExact(masks, kBmpMasksSize);
      from = masks;
    } else if (headerSize < kHeaderWithMasksSize) {
      Invalid();  // a header too short to hold the masks, and none behind it
    }
    for (int i = 0; i < 3; ++i) result.Masks[i] = Get32(from + 4 * i);
  }

  if (h.biClrUsed == 0) h.biClrUsed = FullTableSize(h.biBitCount);
  if (h.biClrUsed > kBmpMaxColours) Invalid();
  CheckRunLength(h);
  const std::int64_t pixelMemory = CheckedPixelMemory(h);

  const std::uint32_t entrySize = result.FromCoreHeader ? 3 : 4;
  std::uint8_t table[kBmpMaxColours * 4];
  readExact(table, std::int64_t{h.biClrUsed} * entrySize);
  result.Colours.resize(h.biClrUsed);
  for (std::uint32_t i = 0; i < h.biClrUsed; ++i) {
    const std::uint8_t* e = table + std::size_t{i} * entrySize;
    result.Colours[i] = TRGBQuad{e[0], e[1], e[2], 0};
  }

  const std::int64_t imageSize = h.biSizeImage == 0 ? pixelMemory : h.biSizeImage;
  // Uncompressed pixel bytes go straight into the pixel memory: an image size beyond it (real
  // writers count trailing padding) reads only what fits.
  const bool runLength = h.biCompression == BI_RLE8 || h.biCompression == BI_RLE4;
  const std::int64_t rows = runLength ? imageSize : std::min(imageSize, pixelMemory);
  const std::int64_t gap = PixelGap(Get32(fileHeader + 10), total - available, available, rows);
  if (gap > 0) {
    stream.Seek(gap, TSeekOrigin::soCurrent);
    available -= gap;
  }
  result.PixelBytes = std::min(available, rows);
  return result;
}

namespace {

bool WritesCoreLayout(const TBmpImage& image) {
  const TBitmapInfoHeader& h = image.Header;
  return image.CoreLayout && h.biCompression == BI_RGB && h.biWidth >= 0 &&
         h.biWidth <= 0xFFFF && h.biHeight >= 0 && h.biHeight <= 0xFFFF;
}

bool WritesMasks(const TBmpImage& image) {
  return image.Header.biBitCount > 8 && (image.Header.biCompression & 3) != 0;
}

std::int64_t PixelMemorySize(const TBitmapInfoHeader& h) {
  const std::int64_t rows = h.biHeight < 0 ? -std::int64_t{h.biHeight} : h.biHeight;
  return DIBRowLength(h.biWidth, h.biBitCount) * rows;
}

// Header, masks and colour table: everything between the file header and the pixel bytes.
std::vector<std::uint8_t> EncodeHeaders(const TBmpImage& image) {
  const TBitmapInfoHeader& h = image.Header;
  std::vector<std::uint8_t> out;
  if (WritesCoreLayout(image)) {
    // Only pictures of 8 bits or fewer carry a table in this layout: the reader reads none for
    // deeper ones, so none is written.
    const std::uint32_t entries = FullTableSize(h.biBitCount);
    out.resize(kBmpCoreHeaderSize + std::size_t{entries} * 3);
    Put32(out.data(), kBmpCoreHeaderSize);
    Put16(out.data() + 4, static_cast<std::uint32_t>(h.biWidth));
    Put16(out.data() + 6, static_cast<std::uint32_t>(h.biHeight));
    Put16(out.data() + 8, 1);
    Put16(out.data() + 10, h.biBitCount);
    const std::size_t present = std::min<std::size_t>(entries, image.Colours.size());
    for (std::size_t i = 0; i < present; ++i) {
      std::uint8_t* e = out.data() + kBmpCoreHeaderSize + i * 3;
      e[0] = image.Colours[i].rgbBlue;
      e[1] = image.Colours[i].rgbGreen;
      e[2] = image.Colours[i].rgbRed;
    }
    return out;
  }
  const std::size_t masks = WritesMasks(image) ? kBmpMasksSize : 0;
  out.resize(kBmpInfoHeaderSize + masks + image.Colours.size() * 4);
  TBitmapInfoHeader written = h;
  written.biSizeImage = static_cast<std::uint32_t>(PixelMemorySize(h));
  EncodeInfoHeader(written, out.data());
  std::uint8_t* p = out.data() + kBmpInfoHeaderSize;
  if (masks != 0) {
    for (int i = 0; i < 3; ++i) Put32(p + 4 * i, image.Masks[i]);
    p += masks;
  }
  for (const TRGBQuad& c : image.Colours) {
    *p++ = c.rgbBlue;
    *p++ = c.rgbGreen;
    *p++ = c.rgbRed;
    *p++ = 0;
  }
  return out;
}

}  // namespace

std::int64_t BmpFileSize(const TBmpImage& image) {
  return kBmpFileHeaderSize + static_cast<std::int64_t>(EncodeHeaders(image).size()) +
         PixelMemorySize(image.Header);
}

std::int64_t WriteBmpHeaders(TStream& stream, const TBmpImage& image) {
  const std::vector<std::uint8_t> headers = EncodeHeaders(image);
  const std::int64_t pixelBytes = PixelMemorySize(image.Header);
  const std::int64_t offset = kBmpFileHeaderSize + static_cast<std::int64_t>(headers.size());
  std::uint8_t fileHeader[kBmpFileHeaderSize] = {};
  Put16(fileHeader, kBmpFileType);
  Put32(fileHeader + 2, static_cast<std::uint32_t>(offset + pixelBytes));
  Put32(fileHeader + 10, static_cast<std::uint32_t>(offset));
  stream.WriteBuffer(fileHeader, kBmpFileHeaderSize);
  stream.WriteBuffer(headers.data(), static_cast<std::int64_t>(headers.size()));
  return pixelBytes;
}

void WriteBmp(TStream& stream, const TBmpImage& image) {
  stream.WriteBuffer(image.Pixels, WriteBmpHeaders(stream, image));
}

TBmpImage StoredBmpImage(const TDIBSection& description, std::span<const TRGBQuad> table,
                         bool fromCoreHeader) {
  TBmpImage result;
  result.Header = description.dsBmih;
  if (!table.empty()) result.Header.biClrUsed = static_cast<std::uint32_t>(table.size());
  std::copy(description.dsBitfields, description.dsBitfields + 3, result.Masks.begin());
  const TBitmapInfoHeader& h = result.Header;
  if (h.biBitCount > 8 && (h.biCompression & 3) != 0 && result.Masks[0] == 0) {
    const std::uint32_t* defaults = h.biBitCount == 16 ? kMasks565 : kMasks888;
    std::copy(defaults, defaults + 3, result.Masks.begin());
  }
  result.Colours = table;
  result.CoreLayout = fromCoreHeader;
  return result;
}
