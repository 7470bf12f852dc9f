// Run-length decoding of BMP pixel data (the 8-bit and 4-bit encodings) into 32-bit pixels.
//
// The encodings work on rows counted from the first row stored in the file, left to right.
// The decoder writes colours looked up in a table the caller provides, so it produces the
// screen form of the picture directly. Pixels that the data never reaches (skipped by a
// delta, left by an early end of line or end of bitmap, or beyond a truncated stream) keep
// what the target held before. Nothing is ever read past the end of the source or written
// outside the target: runs that pass the end of a row are cut at the row's end, and data
// that addresses rows past the last one ends the decoding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

enum class TRleEncoding { reRle8, reRle4 };

// The target of the decoding: `Height` rows of `Width` 32-bit pixels, `Stride` bytes apart,
// row 0 being the first row of the encoded data. The caller owns the memory.
struct TRleTarget {
  std::uint8_t* Pixels = nullptr;
  std::ptrdiff_t Stride = 0;
  std::int32_t Width = 0;
  std::int32_t Height = 0;
};

// Decodes `source` into `target`. Each encoded index selects `colours[index]`; the table has
// 256 entries so that every index of either encoding has a colour (the caller fills entries
// beyond the file's own table, black being the platform's choice).
void DecodeRle(TRleEncoding encoding, std::span<const std::uint8_t> source,
                  std::span<const std::uint32_t, 256> colours, const TRleTarget& target);
