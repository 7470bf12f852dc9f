#include "image_fixtures.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "image/bmp/bmp_format.h"
#include "image/bmp/bmp_stream_analysis.h"
#include "image/colour/analysis.h"
#include "rtl/exception.h"
#include "rtl/stream.h"

void PrintTo(TPixelLayout layout, std::ostream* os) {
  switch (layout) {
    case TPixelLayout::plDevice: *os << "plDevice"; return;
    case TPixelLayout::pl1Bit: *os << "pl1Bit"; return;
    case TPixelLayout::pl4Bit: *os << "pl4Bit"; return;
    case TPixelLayout::pl8Bit: *os << "pl8Bit"; return;
    case TPixelLayout::pl15Bit: *os << "pl15Bit"; return;
    case TPixelLayout::pl16Bit: *os << "pl16Bit"; return;
    case TPixelLayout::pl24Bit: *os << "pl24Bit"; return;
    case TPixelLayout::pl32Bit: *os << "pl32Bit"; return;
    case TPixelLayout::plCustom: *os << "plCustom"; return;
  }
}

namespace image_fixtures {

TBitmapInfoHeader InfoHeader(int width, int height, int bits, std::uint32_t compression) {
  TBitmapInfoHeader h{};
  h.biSize = sizeof h;
  h.biWidth = width;
  h.biHeight = height;
  h.biPlanes = 1;
  h.biBitCount = static_cast<std::uint16_t>(bits);
  h.biCompression = compression;
  return h;
}

TRasterBitmapPtr MakeSection(const TSectionShape& shape, const TBytes& bytes) {
  TBitmapInfoHeader header =
      InfoHeader(shape.Width, shape.Height, shape.BitCount, shape.Compression);
  header.biClrUsed = static_cast<std::uint32_t>(shape.Table.size());
  TRasterBitmapPtr section = TRasterBitmap::CreateSection(
      header, shape.Masks.empty() ? nullptr : shape.Masks.data(), shape.Table);
  const auto count = std::min(bytes.size(), static_cast<std::size_t>(section->ImageSize()));
  if (count > 0) std::memcpy(section->Bits(), bytes.data(), count);
  return section;
}

void Load(TBitmap& bitmap, TRasterBitmapPtr section) {
  bitmap.ImageLoaded(std::move(section), nullptr, false);
}

std::vector<TBytes> Rows24(TBitmap& bitmap) {
  std::vector<TBytes> rows;
  for (int y = 0; y < bitmap.Height(); ++y) {
    const std::uint8_t* row = bitmap.Image().SectionHandle()->Row(y);
    rows.emplace_back(row, row + 3 * bitmap.Width());
  }
  return rows;
}

TBytes Memory(TBitmap& bitmap) {
  const TRasterBitmap* section = bitmap.DIBSection();
  return TBytes(section->Bits(), section->Bits() + section->ImageSize());
}

std::optional<TBytes> AnalysedWhole(const TBytes& file, int condition) {
  TMemoryViewStream input(file.data(), static_cast<std::int64_t>(file.size()));
  TBitmap bitmap;
  try {
    bitmap.LoadFromStream(input);
  } catch (const Exception&) {
    return std::nullopt;
  }
  bitmap.SetPixelLayout(TPixelLayout::pl24Bit);
  ApplyAnalysisCondition(bitmap, condition);
  TMemoryStream output;
  bitmap.StoreToStream(output);
  return TBytes(output.Memory(), output.Memory() + output.Size());
}

std::optional<TBytes> AnalysedByRows(const TBytes& file, int condition) {
  TMemoryViewStream input(file.data(), static_cast<std::int64_t>(file.size()));
  std::optional<TBmpPrologue> prologue;
  try {
    prologue = ReadBmpPrologue(input, input.Size());
  } catch (const Exception&) {
    return std::nullopt;
  }
  if (!RowRoadTakes(*prologue)) return std::nullopt;
  TMemoryStream output;
  AnalyseBmpRows(input, *prologue, output, [condition](std::uint8_t* row, int width) {
    ApplyAnalysisConditionToRow(row, width, condition);
  });
  return TBytes(output.Memory(), output.Memory() + output.Size());
}

TBytes Noise(std::size_t count, std::uint32_t seed) {
  TBytes bytes(count);
  std::uint32_t state = seed * 2654435761u + 1;
  for (auto& byte : bytes) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    byte = static_cast<std::uint8_t>(state >> 24);
  }
  return bytes;
}

namespace {

// Appends `value` as `size` little-endian bytes (bytes past the 8th are 0).
void Put(TBytes& out, std::uint64_t value, int size) {
  for (int i = 0; i < size; ++i)
    out.push_back(i < 8 ? static_cast<std::uint8_t>(value >> (8 * i)) : std::uint8_t{0});
}

}  // namespace

std::uint32_t Get32(const TBytes& b, std::size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

std::uint16_t Get16(const TBytes& b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

std::uint32_t Colour(int i) {
  return static_cast<std::uint32_t>((i * 37 + 11) & 0xFF) << 16 |
         static_cast<std::uint32_t>((i * 91 + 7) & 0xFF) << 8 |
         static_cast<std::uint32_t>((255 - i) & 0xFF);
}

TBytes Pattern(std::size_t count, int start) {
  TBytes bytes(count);
  for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<std::uint8_t>((start + i) % 251);
  return bytes;
}

std::uint32_t TBmpFields::PixelOffset() const {
  const std::uint32_t entry = HeaderSize == 12 ? 3 : 4;
  return 14 + HeaderSize + 4 * static_cast<std::uint32_t>(Masks.size()) +
         entry * static_cast<std::uint32_t>(TableEntries) + static_cast<std::uint32_t>(Gap);
}

TBytes TBmpFields::Bytes() const {
  TBytes out;
  const std::uint32_t offset = Offset.value_or(PixelOffset());
  Put(out, Type, 2);
  Put(out, PixelOffset() + Pixels.size(), 4);
  Put(out, 0, 4);
  Put(out, offset, 4);
  Put(out, HeaderSize, 4);
  const int size = HeaderSize == 12 ? 2 : 4;  // of the width and height
  Put(out, static_cast<std::uint64_t>(Width), size);
  Put(out, static_cast<std::uint64_t>(Height), size);
  Put(out, Planes, 2);
  Put(out, BitCount, 2);
  if (HeaderSize != 12) {
    for (std::uint32_t word :
         {Compression, SizeImage, XPelsPerMeter, YPelsPerMeter, ColoursUsed, std::uint32_t{0}})
      Put(out, word, 4);
    for (std::uint32_t word : HeaderTail) Put(out, word, 4);
    // Filler up to the header's size; a huge size gets a short filler (a cut stream).
    for (std::uint32_t i = 40 + 4 * static_cast<std::uint32_t>(HeaderTail.size());
         i < std::min<std::uint32_t>(HeaderSize, 1024); ++i)
      out.push_back(0xEE);
  }
  for (std::uint32_t mask : Masks) Put(out, mask, 4);
  for (int i = 0; i < TableEntries; ++i) {
    const std::uint32_t c = i < static_cast<int>(Table.size()) ? Table[i] : Colour(i);
    Put(out, c, 3);
    if (HeaderSize != 12) out.push_back(TableReserved);
  }
  out.insert(out.end(), static_cast<std::size_t>(Gap), 0xCC);
  out.insert(out.end(), Pixels.begin(), Pixels.end());
  out.resize(std::min(out.size(), Length));
  return out;
}

std::string Hex(const TBytes& bytes) {
  std::string text;
  char cell[4];
  for (std::uint8_t byte : bytes) {
    std::snprintf(cell, sizeof cell, "%02X ", byte);
    text += cell;
  }
  return text;
}

}  // namespace image_fixtures
