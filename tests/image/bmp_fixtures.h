// BMP files made in code for the BMP tests: any field can be set, also to values no writer
// would produce.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace bmp_fixtures {

using TBytes = std::vector<std::uint8_t>;

// Appends `value` as `size` little-endian bytes (bytes past the 8th are 0).
void Put(TBytes& out, std::uint64_t value, int size);
std::uint32_t Get32(const TBytes& bytes, std::size_t at);
std::uint16_t Get16(const TBytes& bytes, std::size_t at);

// The fields of a BMP file, written in the BMP layout by Bytes(). The file size and offset
// fields are computed unless given.
struct TBmpFields {
  std::uint32_t HeaderSize = 40;
  std::int64_t Width = 4;
  std::int64_t Height = 2;
  std::uint32_t Planes = 1;
  std::uint32_t BitCount = 24;
  std::uint32_t Compression = 0;
  std::uint32_t SizeImage = 0;
  std::int32_t Resolution = 2835;
  std::uint32_t ColoursUsed = 0;
  std::vector<std::uint32_t> Masks;       // written after the header when present
  std::vector<std::uint32_t> HeaderTail;  // 32-bit words after the 40 bytes of a long header
  // Colour-table entries written (3 bytes each after a core header, else 4 with the fourth byte
  // TableReserved, which readers do not keep). Entry i is Colour(i) unless Table is given.
  int TableEntries = 0;
  std::uint8_t TableReserved = 0x7F;
  std::vector<std::uint32_t> Table;  // 0x00RRGGBB
  TBytes Pixels;                     // written after the table as they stand
  std::uint16_t Type = 0x4D42;
  std::optional<std::uint32_t> Offset;
  int Gap = 0;  // bytes of 0xCC between the table and the pixels

  TBytes Bytes() const;
  // Offset at which Bytes() puts the first pixel byte.
  std::uint32_t PixelOffset() const;
};

// The colour of entry i when a fields gives no table.
std::uint32_t Colour(int i);

// Bytes 0, 1, 2, ... (mod 251, so that rows do not repeat with a power-of-two period).
TBytes Pattern(std::size_t count, int start = 0);

}  // namespace bmp_fixtures
