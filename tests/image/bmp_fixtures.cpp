#include "bmp_fixtures.h"

#include <algorithm>

namespace bmp_fixtures {

void Put(TBytes& out, std::uint64_t value, int size) {
  for (int i = 0; i < size; ++i)
    out.push_back(i < 8 ? static_cast<std::uint8_t>(value >> (8 * i)) : std::uint8_t{0});
}

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
  if (HeaderSize == 12) {
    Put(out, static_cast<std::uint64_t>(Width), 2);
    Put(out, static_cast<std::uint64_t>(Height), 2);
    Put(out, Planes, 2);
    Put(out, BitCount, 2);
  } else {
    Put(out, static_cast<std::uint64_t>(Width), 4);
    Put(out, static_cast<std::uint64_t>(Height), 4);
    Put(out, Planes, 2);
    Put(out, BitCount, 2);
    Put(out, Compression, 4);
    Put(out, SizeImage, 4);
    Put(out, static_cast<std::uint32_t>(Resolution), 4);
    Put(out, static_cast<std::uint32_t>(Resolution), 4);
    Put(out, ColoursUsed, 4);
    Put(out, 0, 4);
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
  return out;
}

}  // namespace bmp_fixtures
