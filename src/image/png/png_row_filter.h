// The per-row filters of PNG, chosen row by row: of None, Sub, Up, Average and Paeth, the one
// whose output, read as signed bytes, has the smallest sum of magnitudes; those rows compress
// best in most pictures. Rows packed below 8 bits per pixel (and palette rows, whose values are
// no quantities) are left unfiltered, where filters only add noise.
#pragma once

#include <cstdint>
#include <vector>

#include "image/png/png_layout.h"

class TPngRowFilter {
 public:
  explicit TPngRowFilter(const TPngLayout& layout);

  // Filters `raw` (RowBytes of the layout) against the row filtered before it (zeros above
  // the first) and returns the filter byte followed by the filtered row: 1 + RowBytes bytes,
  // valid until the next call. Keeps a copy of `raw` for the next row.
  const std::uint8_t* Filter(const std::uint8_t* raw);

  std::int64_t FilteredBytes() const { return RowBytes_ + 1; }

 private:
  std::int64_t RowBytes_;
  int Step_;
  bool Adaptive_;
  std::vector<std::uint8_t> Previous_;
  std::vector<std::uint8_t> Candidates_[5];  // per filter type: its byte, then the row
};
