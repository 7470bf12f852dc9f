#include "image/colour/cielab.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "image/colour/srgb_transfer.h"

namespace {

// Linear sRGB to XYZ, each row already divided by its component of the D65 white, so that
// white gives 1 in all three.
constexpr double kWhite[3] = {0.95047, 1.0, 1.08883};
constexpr double kToXyz[9] = {0.4124564, 0.3575761, 0.1804375, 0.2126729, 0.7151522,
                              0.0721750, 0.0193339, 0.1191920, 0.9503041};

double LabF(double t) {
  constexpr double kDelta = 6.0 / 29.0;
  return t > kDelta * kDelta * kDelta ? std::cbrt(t) : t / (3 * kDelta * kDelta) + 4.0 / 29.0;
}

// Fixed point of the row form: matrix entries with 14 fraction bits; f with 15.
constexpr int kMatrixShift = 14;
constexpr int kFShift = 15;

struct TLabTables {
  // The normalised matrix in fixed point. Each row's largest entry takes what rounding left
  // over, so that rows sum to exactly one: white (and every grey) has x = y = z and so a* and
  // b* of exactly zero.
  std::array<std::int32_t, 9> Matrix;
  // f(i / kLinearOne) << kFShift, rounded, for every linear value.
  std::vector<std::uint16_t> F;

  TLabTables() : F(kLinearOne + 1) {
    for (int row = 0; row < 3; ++row) {
      const int largest = row == 0 ? 0 : row == 1 ? 1 : 2;
      int sum = 0;
      for (int column = 0; column < 3; ++column) {
        if (column == largest) continue;
        const auto value = static_cast<std::int32_t>(
            std::lround(kToXyz[3 * row + column] / kWhite[row] * (1 << kMatrixShift)));
        Matrix[3 * row + column] = value;
        sum += value;
      }
      Matrix[3 * row + largest] = (1 << kMatrixShift) - sum;
    }
    for (int i = 0; i <= kLinearOne; ++i) {
      F[i] = static_cast<std::uint16_t>(
          std::lround(LabF(static_cast<double>(i) / kLinearOne) * (1 << kFShift)));
    }
  }
};

const TLabTables& Tables() {
  static const TLabTables tables;
  return tables;
}

}  // namespace

TLab SrgbToLab(int red, int green, int blue) {
  const auto decode = [](int v) {
    const double c = v / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
  };
  const double rgb[3] = {decode(red), decode(green), decode(blue)};
  double f[3];
  for (int k = 0; k < 3; ++k) {
    const double t =
        kToXyz[3 * k] * rgb[0] + kToXyz[3 * k + 1] * rgb[1] + kToXyz[3 * k + 2] * rgb[2];
    f[k] = LabF(t / kWhite[k]);
  }
  return {116 * f[1] - 16, 500 * (f[0] - f[1]), 200 * (f[1] - f[2])};
}

void SrgbRowToLab(const std::uint8_t* row, int width, float* l, float* a, float* b,
                  std::uint16_t* luminance) {
  const TLabTables& tables = Tables();
  const std::uint16_t* linear = SrgbToLinearTable();
  const std::int32_t* m = tables.Matrix.data();
  const std::uint16_t* f = tables.F.data();
  constexpr std::int32_t kRounding = 1 << (kMatrixShift - 1);
  constexpr float kUnit = 1.0f / (1 << kFShift);
  // Neighbouring pixels are often equal (flat areas, charts): their Lab is taken over.
  std::uint32_t previous = 0xFFFFFFFFu;
  for (int x = 0; x < width; ++x, row += 3) {
    const std::uint32_t colour = row[0] | (row[1] << 8) | (std::uint32_t{row[2]} << 16);
    if (colour == previous) {
      l[x] = l[x - 1];
      a[x] = a[x - 1];
      b[x] = b[x - 1];
      if (luminance != nullptr) luminance[x] = luminance[x - 1];
      continue;
    }
    previous = colour;
    const std::int32_t red = linear[row[2]];
    const std::int32_t green = linear[row[1]];
    const std::int32_t blue = linear[row[0]];
    // Every entry is positive and each row sums to one: the results stay within 0..kLinearOne.
    const std::int32_t fx = f[(m[0] * red + m[1] * green + m[2] * blue + kRounding) >> kMatrixShift];
    const std::int32_t y = (m[3] * red + m[4] * green + m[5] * blue + kRounding) >> kMatrixShift;
    if (luminance != nullptr) luminance[x] = static_cast<std::uint16_t>(y);
    const std::int32_t fy = f[y];
    const std::int32_t fz = f[(m[6] * red + m[7] * green + m[8] * blue + kRounding) >> kMatrixShift];
    // Integers below 2^24 times a power of two: exact in float.
    l[x] = static_cast<float>(116 * fy - (16 << kFShift)) * kUnit;
    a[x] = static_cast<float>(500 * (fx - fy)) * kUnit;
    b[x] = static_cast<float>(200 * (fy - fz)) * kUnit;
  }
}
