#include "app/chart_background.h"

#include <cmath>
#include <string_view>

namespace {

void Put16(std::vector<std::uint8_t>& out, std::uint32_t value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

// A polar backdrop: a light grey field that darkens gently towards the corners, with faint
// rings every 16 pixels around the centre.
std::uint8_t Grey(int x, int y) {
  const double dx = x - (kChartBackgroundWidth - 1) / 2.0;
  const double dy = y - (kChartBackgroundHeight - 1) / 2.0;
  const double radius = std::sqrt(dx * dx + dy * dy);
  double level = 236.0 - radius * 0.35;
  if (std::fmod(radius, 16.0) < 1.0) level -= 24.0;
  return static_cast<std::uint8_t>(level < 0 ? 0 : level);
}

}  // namespace

std::vector<std::uint8_t> ChartBackgroundData() {
  constexpr std::uint32_t rowLength = kChartBackgroundWidth * 3;  // a multiple of 4: no padding
  constexpr std::uint32_t imageSize = rowLength * kChartBackgroundHeight;
  constexpr std::uint32_t fileSize = 14 + 40 + imageSize;
  constexpr std::int32_t pixelsPerMetre = 2834;
  constexpr std::string_view className = "TBitmap";

  std::vector<std::uint8_t> data;
  data.reserve(1 + className.size() + 4 + fileSize);
  data.push_back(static_cast<std::uint8_t>(className.size()));
  data.insert(data.end(), className.begin(), className.end());
  Put32(data, fileSize);
  // File header.
  Put16(data, 0x4D42);
  Put32(data, fileSize);
  Put32(data, 0);
  Put32(data, 14 + 40);
  // Info header.
  Put32(data, 40);
  Put32(data, kChartBackgroundWidth);
  Put32(data, kChartBackgroundHeight);
  Put16(data, 1);
  Put16(data, 24);
  Put32(data, 0);
  Put32(data, imageSize);
  Put32(data, pixelsPerMetre);
  Put32(data, pixelsPerMetre);
  Put32(data, 0);
  Put32(data, 0);
  // Rows bottom-up, blue, green, red.
  for (int y = kChartBackgroundHeight - 1; y >= 0; --y) {
    for (int x = 0; x < kChartBackgroundWidth; ++x) {
      const std::uint8_t grey = Grey(x, y);
      data.insert(data.end(), {grey, grey, grey});
    }
  }
  return data;
}
