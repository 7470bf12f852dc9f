#include "image/colour/srgb_transfer.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

constexpr int kEncodeEntries = (kLinearOne >> kEncodeShift) + 1;

double Decode(int level) {
  const double c = level / 255.0;
  return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double Encode(double linear) {
  return linear <= 0.0031308 ? 12.92 * linear : 1.055 * std::pow(linear, 1 / 2.4) - 0.055;
}

// Values are rounded half away from zero (std::lround), never by the current rounding mode.
struct TTables {
  std::array<std::uint16_t, 256> ToLinear;
  std::array<std::uint8_t, kEncodeEntries> ToSrgb;

  TTables() {
    for (int v = 0; v < 256; ++v) {
      ToLinear[v] = static_cast<std::uint16_t>(std::lround(Decode(v) * kLinearOne));
    }
    // Each entry stands for 1 << kEncodeShift linear steps and is taken at their middle, which
    // halves the largest error of the steepest (darkest) part of the curve.
    constexpr double kMiddle = ((1 << kEncodeShift) - 1) / 2.0;
    for (int i = 0; i < kEncodeEntries; ++i) {
      const double linear = std::min(1.0, ((i << kEncodeShift) + kMiddle) / kLinearOne);
      ToSrgb[i] = static_cast<std::uint8_t>(std::lround(255 * Encode(linear)));
    }
  }
};

const TTables& Tables() {
  static const TTables tables;
  return tables;
}

}  // namespace

const std::uint16_t* SrgbToLinearTable() { return Tables().ToLinear.data(); }

const std::uint8_t* LinearToSrgbTable() { return Tables().ToSrgb.data(); }

std::uint8_t LinearToSrgb(int linear) {
  return Tables().ToSrgb[std::clamp(linear, 0, kLinearOne) >> kEncodeShift];
}
