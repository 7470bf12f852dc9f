// The hidden chart's background picture in its stored form: the class name "TBitmap" (one
// length byte first), a 32-bit byte count, and a BMP of 192 x 128 pixels at 24 bits, without
// compression, 2,834 pixels per metre, in grey tones (73,782 bytes). The pixels are computed
// here, the same every time.
#pragma once

#include <cstdint>
#include <vector>

inline constexpr int kChartBackgroundWidth = 192;
inline constexpr int kChartBackgroundHeight = 128;

std::vector<std::uint8_t> ChartBackgroundData();
