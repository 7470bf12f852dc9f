#include "image/colour/ciede2000.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

struct TPair {
  TLab First;
  TLab Second;
  double Expected;
};

// Pairs of the published test data, to 4 decimals: blue hues where the rotation term counts,
// hue angles on both sides of the wrap at 0/360 and exactly opposite, a grey against a colour,
// and dark colours.
const std::vector<TPair> kPairs = {
    {{50, 2.6772, -79.7751}, {50, 0, -82.7485}, 2.0425},
    {{50, 3.1571, -77.2803}, {50, 0, -82.7485}, 2.8615},
    {{50, -1.3802, -84.2814}, {50, 0, -82.7485}, 1.0000},
    {{50, 0, 0}, {50, -1, 2}, 2.3669},
    {{50, -1, 2}, {50, 0, 0}, 2.3669},
    {{50, 2.49, -0.001}, {50, -2.49, 0.0009}, 7.1792},
    {{50, 2.49, -0.001}, {50, -2.49, 0.0011}, 7.2195},
    {{50, -0.001, 2.49}, {50, 0.0009, -2.49}, 4.8045},
    {{50, -0.001, 2.49}, {50, 0.0011, -2.49}, 4.7461},
    {{50, 2.5, 0}, {50, 0, -2.5}, 4.3065},
    {{50, 2.5, 0}, {73, 25, -18}, 27.1492},
    {{50, 2.5, 0}, {61, -5, 29}, 22.8977},
    {{50, 2.5, 0}, {56, -27, -3}, 31.9030},
    {{50, 2.5, 0}, {58, 24, 15}, 19.4535},
    {{60.2574, -34.0099, 36.2677}, {60.4626, -34.1751, 39.4387}, 1.2644},
    {{63.0109, -31.0961, -5.8663}, {62.8187, -29.7946, -4.0864}, 1.2630},
    {{22.7233, 20.0904, -46.694}, {23.0331, 14.973, -42.5619}, 2.0373},
    {{90.9257, -0.5406, -0.9208}, {88.6381, -0.8985, -0.7239}, 1.5381},
    {{2.0776, 0.0795, -1.135}, {0.9033, -0.0636, -0.5514}, 0.9082},
};

TEST(Ciede2000, PublishedPairsToFourDecimalsEitherWayRound) {
  for (const TPair& pair : kPairs) {
    EXPECT_NEAR(Ciede2000(pair.First, pair.Second), pair.Expected, 0.00005)
        << pair.First.L << " " << pair.First.A << " " << pair.First.B << " / " << pair.Second.L
        << " " << pair.Second.A << " " << pair.Second.B;
    EXPECT_NEAR(Ciede2000(pair.Second, pair.First), pair.Expected, 0.00005);
  }
}

// The row form against the double-precision form; greys have no chroma at all.
TEST(Ciede2000, RowLabWithinItsTolerancesAndGreysExactlyNeutral) {
  std::vector<std::uint8_t> row;
  for (int v = 0; v < 256; v += 5) {
    row.insert(row.end(), {std::uint8_t(v), std::uint8_t(v), std::uint8_t(v)});
    row.insert(row.end(), {std::uint8_t(255 - v), std::uint8_t(v / 2), std::uint8_t(v)});
  }
  const int width = static_cast<int>(row.size() / 3);
  std::vector<float> lab(3 * (width + 1), -999.0f);
  float* l = lab.data();
  float* a = l + width + 1;
  float* b = a + width + 1;
  SrgbRowToLab(row.data(), width, l, a, b);
  for (int x = 0; x < width; ++x) {
    const TLab exact = SrgbToLab(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
    EXPECT_NEAR(l[x], exact.L, 0.02) << x;
    EXPECT_NEAR(a[x], exact.A, 0.05) << x;
    EXPECT_NEAR(b[x], exact.B, 0.05) << x;
    if (x % 2 == 0) {
      EXPECT_TRUE(a[x] == 0 && b[x] == 0) << x;
    }
  }
  EXPECT_EQ(l[width], -999.0f);
  EXPECT_EQ(a[width], -999.0f);
  EXPECT_EQ(b[width], -999.0f);
  EXPECT_NEAR(SrgbToLab(255, 255, 255).L, 100, 1e-4);
}

}  // namespace
