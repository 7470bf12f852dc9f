// Maps colours to the index of the nearest entry of a colour table, as packing into an indexed
// layout needs. Distance is squared Euclidean in red, green, blue; ties go to the lower index, so
// a colour that stands in the table maps to its first occurrence. Recent answers are cached, so
// pictures of few colours cost one table scan per colour.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "image/raster/dib.h"

class TNearestColour {
 public:
  explicit TNearestColour(std::span<const TRGBQuad> table);

  // The index of the nearest entry; 0 for an empty table.
  std::uint8_t operator()(const TRGBQuad& colour);

 private:
  std::uint8_t Search(std::uint32_t key) const;

  struct TSlot {
    std::uint32_t Key;  // 0xRRGGBB, or kEmpty
    std::uint8_t Index;
  };
  static constexpr std::uint32_t kEmpty = 0xFFFFFFFFu;
  static constexpr int kCacheBits = 12;

  std::vector<TRGBQuad> Table_;
  std::array<TSlot, std::size_t{1} << kCacheBits> Cache_;
};
