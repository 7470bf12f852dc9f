// Pictures and BMP files made in code, and small helpers shared by the image tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "image/bitmap.h"
#include "image/raster/dib.h"
#include "image/raster/raster_bitmap.h"

// Lets GoogleTest print a layout by its name.
void PrintTo(TPixelLayout layout, std::ostream* os);

namespace image_fixtures {

using TBytes = std::vector<std::uint8_t>;

// ---- pictures

// A 40-byte info header with one plane and the other fields 0.
TBitmapInfoHeader InfoHeader(int width, int height, int bits, std::uint32_t compression = BI_RGB);

struct TSectionShape {
  int BitCount;
  int Width;
  int Height;  // negative: top-down
  std::uint32_t Compression = BI_RGB;
  std::vector<std::uint32_t> Masks = {};  // three, with BI_BITFIELDS
  std::vector<TRGBQuad> Table = {};
};

// A DIB section of `shape`, its pixel memory filled from `bytes` (rows in memory order, padding
// included; shorter leaves the rest 0).
TRasterBitmapPtr MakeSection(const TSectionShape& shape, const TBytes& bytes = {});

// Loads `section` into `bitmap` as a reader would.
void Load(TBitmap& bitmap, TRasterBitmapPtr section);

// The 24-bit picture of `bitmap` as rows from the top, each 3 x Width bytes of blue, green, red.
std::vector<TBytes> Rows24(TBitmap& bitmap);

// The whole pixel memory of the bitmap's DIB section (made if it has none).
TBytes Memory(TBitmap& bitmap);

// ---- BMP files

// The fields of a BMP file, also values no writer would produce, written in the BMP layout by
// Bytes(). An aggregate: `TBmpFields{.BitCount = 8, .TableEntries = 256}`.
struct TBmpFields {
  std::uint32_t HeaderSize = 40;
  std::int64_t Width = 4;
  std::int64_t Height = 2;
  std::uint32_t Planes = 1;
  std::uint32_t BitCount = 24;
  std::uint32_t Compression = 0;
  std::uint32_t SizeImage = 0;
  std::uint32_t XPelsPerMeter = 3780;
  std::uint32_t YPelsPerMeter = 0;
  std::uint32_t ColoursUsed = 0;
  std::vector<std::uint32_t> Masks = {};       // written after the header when present
  std::vector<std::uint32_t> HeaderTail = {};  // 32-bit words after the 40 bytes of a long header
  // Colour-table entries written (3 bytes each after a core header, else 4 with the fourth byte
  // TableReserved, which readers do not keep). Entry i is Colour(i) unless Table is given.
  int TableEntries = 0;
  std::uint8_t TableReserved = 0x7F;
  std::vector<std::uint32_t> Table = {};  // 0x00RRGGBB
  TBytes Pixels = {};                     // written after the table as they stand
  std::uint16_t Type = 0x4D42;
  std::optional<std::uint32_t> Offset = {};  // computed unless given
  int Gap = 0;                               // bytes of 0xCC between the table and the pixels
  std::size_t Length = SIZE_MAX;             // the file is cut to this many bytes

  TBytes Bytes() const;
  // Offset at which Bytes() puts the first pixel byte.
  std::uint32_t PixelOffset() const;
};

// The colour (0x00RRGGBB) of entry i when a TBmpFields gives no table.
std::uint32_t Colour(int i);

// Little-endian numbers in a file.
std::uint32_t Get32(const TBytes& bytes, std::size_t at);
std::uint16_t Get16(const TBytes& bytes, std::size_t at);

// ---- the two roads of an analysis

// The BMP file the window stores for `file` loaded whole, converted to 24 bits and analysed
// under `condition`; nothing when the BMP reader refuses the file.
std::optional<TBytes> AnalysedWhole(const TBytes& file, int condition);
// The same through the row road; nothing when the road does not take the file.
std::optional<TBytes> AnalysedByRows(const TBytes& file, int condition);

// ---- bytes

// Bytes 0, 1, 2, ... (mod 251, so that rows do not repeat with a power-of-two period).
TBytes Pattern(std::size_t count, int start = 0);

// A pseudo-random byte sequence, the same for the same seed.
TBytes Noise(std::size_t count, std::uint32_t seed);

// "0A FF ..."; comparing these strings prints every byte of both sides on failure.
std::string Hex(const TBytes& bytes);

// ---- checks

// Expects `action` to fail with an exception of class E (named `className` when given) and
// `message`; `what` names the case.
template <class E, class F>
void ExpectFailure(F&& action, const std::string& message, const std::string& what = "",
                   const char* className = nullptr) {
  try {
    action();
    ADD_FAILURE() << what << ": no failure, expected " << message;
  } catch (const E& e) {
    EXPECT_EQ(e.Message(), message) << what;
    if (className != nullptr) {
      EXPECT_STREQ(e.ClassName(), className) << what;
    }
  }
}

// Counts the change notifications of a bitmap.
struct TChangeCounter {
  explicit TChangeCounter(TBitmap& bitmap) {
    bitmap.SetOnChange([this](TGraphic&) { ++Count; });
  }
  int Count = 0;
};

}  // namespace image_fixtures
