#include "image/colour/vision_model.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

namespace {

using TMatrix = std::array<double, 9>;

// The published rows this test needs (severity 0.0, 0.3, 0.4 and 1.0), copied from the data.
constexpr TMatrix kIdentity = {1, 0, 0, 0, 1, 0, 0, 0, 1};
constexpr TMatrix kProtan03 = {0.630323, 0.465641,  -0.095964, 0.069181, 0.890046,
                               0.040773, -0.006308, -0.007724, 1.014032};
constexpr TMatrix kProtan04 = {0.539009, 0.579343,  -0.118352, 0.082546, 0.866121,
                               0.051332, -0.007136, -0.011959, 1.019095};
constexpr TMatrix kProtan10 = {0.152286, 1.052583,  -0.204868, 0.114503, 0.786281,
                               0.099216, -0.003882, -0.048116, 1.051998};
constexpr TMatrix kDeutan03 = {0.675425, 0.433850,  -0.109275, 0.125303, 0.847755,
                               0.026942, -0.007950, 0.018572,  0.989378};
constexpr TMatrix kDeutan04 = {0.605511, 0.528560,  -0.134071, 0.155318, 0.812366,
                               0.032316, -0.009376, 0.023176,  0.986200};
constexpr TMatrix kDeutan10 = {0.367322, 0.860646,  -0.227968, 0.280085, 0.672501,
                               0.047413, -0.011820, 0.042940,  0.968881};
constexpr TMatrix kTritan03 = {0.905871, 0.127791, -0.033662, 0.026856, 0.941251,
                               0.031893, 0.013410, 0.148296,  0.838294};
constexpr TMatrix kTritan04 = {0.948035, 0.089490, -0.037526, 0.014364, 0.946792,
                               0.038844, 0.010853, 0.193991,  0.795156};
constexpr TMatrix kTritan10 = {1.255528, -0.076749, -0.178779, -0.078411, 0.930809,
                               0.147602, 0.004733,  0.691367,  0.303900};
constexpr TMatrix kBrettelA = {1.0135416153,  0.1426823107, -0.1562239260,
                               -0.0118053648, 0.8756118317, 0.1361935331,
                               0.0770725345,  0.8120809125, 0.1108465530};
constexpr TMatrix kBrettelB = {0.9333697629,  0.1999900499, -0.1333598129,
                               0.0580871806,  0.8256518564, 0.1162609631,
                               -0.3792281148, 1.1382497342, 0.2409783807};
constexpr double kPlane[3] = {0.0396009507, -0.0283072037, -0.0112937470};
constexpr TMatrix kLuminance = {0.2126, 0.7152, 0.0722, 0.2126, 0.7152,
                                0.0722, 0.2126, 0.7152, 0.0722};

double Decode(int v) {
  const double c = v / 255.0;
  return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

int Encode(double x) {
  x = std::fmin(std::fmax(x, 0.0), 1.0);
  return static_cast<int>(
      std::lround(255 * (x <= 0.0031308 ? 12.92 * x : 1.055 * std::pow(x, 1 / 2.4) - 0.055)));
}

// The matrix of an anomalous type at a severity of this test: 0, 0.35 (halfway between 0.3 and
// 0.4) or 1.
TMatrix Anomalous(const TMatrix& at03, const TMatrix& at04, const TMatrix& at10, double severity) {
  if (severity == 0) return kIdentity;
  if (severity == 1) return at10;
  TMatrix m{};
  for (int i = 0; i < 9; ++i) m[i] = (at03[i] + at04[i]) / 2;
  return m;
}

// Red, green, blue of the model's result, in double precision.
std::array<int, 3> Reference(TVisionType type, double severity, std::array<int, 3> rgb) {
  const double in[3] = {Decode(rgb[0]), Decode(rgb[1]), Decode(rgb[2])};
  TMatrix m{};
  switch (type) {
    case TVisionType::vtProtanopia:
      m = kProtan10;
      break;
    case TVisionType::vtDeuteranopia:
      m = kDeutan10;
      break;
    case TVisionType::vtProtanomaly:
      m = Anomalous(kProtan03, kProtan04, kProtan10, severity);
      break;
    case TVisionType::vtDeuteranomaly:
      m = Anomalous(kDeutan03, kDeutan04, kDeutan10, severity);
      break;
    case TVisionType::vtTritanomaly:
      m = Anomalous(kTritan03, kTritan04, kTritan10, severity);
      break;
    case TVisionType::vtAchromatopsia:
      m = kLuminance;
      break;
    case TVisionType::vtTritanopia:
      m = kPlane[0] * in[0] + kPlane[1] * in[1] + kPlane[2] * in[2] >= 0 ? kBrettelA : kBrettelB;
      break;
  }
  std::array<int, 3> out{};
  for (int k = 0; k < 3; ++k)
    out[k] = Encode(m[3 * k] * in[0] + m[3 * k + 1] * in[1] + m[3 * k + 2] * in[2]);
  return out;
}

TEST(VisionModel, EveryTypeAndSeverityWithinOneOfTheReference) {
  const std::vector<std::array<int, 3>> colours = {
      {0, 0, 0},       {255, 255, 255}, {1, 1, 1},      {64, 64, 64},   {128, 128, 128},
      {192, 192, 192}, {255, 0, 0},     {0, 255, 0},    {0, 0, 255},    {255, 255, 0},
      {0, 255, 255},   {255, 0, 255},   {200, 101, 50}, {30, 144, 255}, {120, 60, 200},
      {3, 250, 7},     {90, 200, 140}};
  // One row of 70 pixels crosses a chunk's end and leaves a partial group of pixels; guard bytes
  // after it must stay untouched.
  constexpr int kWidth = 70;
  for (const TVisionTypeName& type : kVisionTypeNames) {
    for (const double severity : {0.0, 0.35, 1.0}) {
      const TRowOperation operation = VisionModelOperation(type.Type, severity);
      std::vector<std::uint8_t> row(3 * kWidth + 4, 0xA5);
      for (int x = 0; x < kWidth; ++x) {
        const auto& c = colours[x % colours.size()];
        row[3 * x] = static_cast<std::uint8_t>(c[2]);
        row[3 * x + 1] = static_cast<std::uint8_t>(c[1]);
        row[3 * x + 2] = static_cast<std::uint8_t>(c[0]);
      }
      operation(row.data(), kWidth);
      for (int x = 0; x < kWidth; ++x) {
        const auto& c = colours[x % colours.size()];
        const std::array<int, 3> expected = Reference(type.Type, severity, c);
        const int got[3] = {row[3 * x + 2], row[3 * x + 1], row[3 * x]};
        for (int k = 0; k < 3; ++k) {
          EXPECT_NEAR(got[k], expected[k], 1)
              << type.Name << " at " << severity << ", pixel " << x << " (" << c[0] << ", " << c[1]
              << ", " << c[2] << "), channel " << k;
        }
      }
      EXPECT_EQ(row[3 * kWidth], 0xA5) << type.Name;
      EXPECT_EQ(row.back(), 0xA5) << type.Name;
    }
  }
}

TEST(VisionModel, SeverityZeroLeavesEveryColourOfALatticeAsItWas) {
  std::vector<std::uint8_t> lattice;
  for (int r = 0; r < 256; r += 17)
    for (int g = 0; g < 256; g += 17)
      for (int b = 0; b < 256; b += 17)
        lattice.insert(lattice.end(), {std::uint8_t(b), std::uint8_t(g), std::uint8_t(r)});
  for (const TVisionType type :
       {TVisionType::vtProtanomaly, TVisionType::vtDeuteranomaly, TVisionType::vtTritanomaly}) {
    std::vector<std::uint8_t> row = lattice;
    VisionModelOperation(type, 0)(row.data(), static_cast<int>(row.size() / 3));
    EXPECT_EQ(row, lattice) << static_cast<int>(type);
  }
}

}  // namespace
