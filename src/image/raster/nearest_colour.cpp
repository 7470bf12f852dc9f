#include "image/raster/nearest_colour.h"

#include <algorithm>

TNearestColour::TNearestColour(std::span<const TRGBQuad> table)
    : Table_(table.begin(), table.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(table.size(), 256))) {
  Cache_.fill(TSlot{kEmpty, 0});
}

std::uint8_t TNearestColour::operator()(const TRGBQuad& colour) {
  const std::uint32_t key = (std::uint32_t{colour.rgbRed} << 16) |
                            (std::uint32_t{colour.rgbGreen} << 8) | colour.rgbBlue;
  TSlot& slot = Cache_[(key * 2654435761u) >> (32 - kCacheBits)];
  if (slot.Key != key) slot = TSlot{key, Search(key)};
  return slot.Index;
}

std::uint8_t TNearestColour::Search(std::uint32_t key) const {
  const int red = static_cast<int>(key >> 16);
  const int green = static_cast<int>((key >> 8) & 0xFF);
  const int blue = static_cast<int>(key & 0xFF);
  int best = 0;
  int bestDistance = 1 << 30;
  for (std::size_t i = 0; i < Table_.size(); ++i) {
    const int dr = Table_[i].rgbRed - red;
    const int dg = Table_[i].rgbGreen - green;
    const int db = Table_[i].rgbBlue - blue;
    const int distance = dr * dr + dg * dg + db * db;
    if (distance < bestDistance) {
      bestDistance = distance;
      best = static_cast<int>(i);
      if (distance == 0) break;
    }
  }
  return static_cast<std::uint8_t>(best);
}
