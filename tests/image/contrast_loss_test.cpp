#include "image/colour/contrast_loss.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <set>

#include "image/colour/ciede2000.h"
#include "image/colour/daltonize.h"
#include "image/colour/vision_model.h"
#include "image_fixtures.h"

namespace {

using namespace image_fixtures;

using TColour = std::array<std::uint8_t, 3>;  // red, green, blue

// A red and a green of the same lightness (L* 61) that protanopes and deuteranopes confuse,
// 28 ΔE00 apart; and a darker pair (L* 30), 39 apart.
constexpr TColour kRed = {210, 130, 20};
constexpr TColour kGreen = {140, 155, 20};
constexpr TColour kDarkRed = {120, 50, 0};
constexpr TColour kDarkGreen = {40, 80, 0};

// A 24-bit picture of `width` x `height` whose pixel (x, y) is colour(x, y).
template <typename TColourAt>
void MakePicture(TBitmap& bitmap, int width, int height, TColourAt colour) {
  Load(bitmap, MakeSection({24, width, height}));
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = bitmap.RowData(y);
    for (int x = 0; x < width; ++x) {
      const TColour c = colour(x, y);
      row[3 * x] = c[2];
      row[3 * x + 1] = c[1];
      row[3 * x + 2] = c[0];
    }
  }
}

TColour Mix(TColour a, TColour b, int weight, int of) {
  TColour c{};
  for (int k = 0; k < 3; ++k) c[k] = static_cast<std::uint8_t>((a[k] * (of - weight) + b[k] * weight) / of);
  return c;
}

// Squares of 8 in two colours; with `blend`, each change of colour across is spread over that
// many pixels of mixed colour, as anti-aliasing draws it.
void Squares(TBitmap& bitmap, TColour a, TColour b, int blend = 0) {
  MakePicture(bitmap, 48, 32, [&](int x, int y) {
    const bool first = (x / 8 + y / 8) % 2 == 0;
    const int inside = x % 8;
    if (blend > 0 && inside >= 8 - blend) {
      return Mix(first ? a : b, first ? b : a, inside - (8 - blend) + 1, blend + 1);
    }
    return first ? a : b;
  });
}

// Bars of grey 0, 40, ..., 240, six pixels wide, with one pixel of the mean between them.
void GreySteps(TBitmap& bitmap) {
  MakePicture(bitmap, 49, 12, [](int x, int) {
    const int step = x / 7;
    const int grey = x % 7 == 6 ? 40 * step + 20 : 40 * step;
    const auto g = static_cast<std::uint8_t>(grey);
    return TColour{g, g, g};
  });
}

// Bars of one colour (a dark orange-red) at lightness steps: the same chromaticity, linear light
// 0.05, 0.15, ..., 0.95 of it.
void ColourSteps(TBitmap& bitmap) {
  MakePicture(bitmap, 60, 30, [](int x, int) {
    const double share = 0.05 + 0.1 * (x / 6);
    const auto encode = [&](double linear) {
      const double v = share * linear;
      const double c = v <= 0.0031308 ? 12.92 * v : 1.055 * std::pow(v, 1 / 2.4) - 0.055;
      return static_cast<std::uint8_t>(std::lround(255 * c));
    };
    return TColour{encode(1.0), encode(0.3), encode(0.05)};
  });
}

TEST(ContrastLoss, SharesLostByPictureAndType) {
  struct TCase {
    const char* Name;
    void (*Make)(TBitmap&);
    TVisionType Type;
    double LeastShare;  // of visible boundaries lost
    double MostShare;
  };
  const auto squares = [](TBitmap& b) { Squares(b, kRed, kGreen); };
  const auto blended = [](TBitmap& b) { Squares(b, kDarkRed, kDarkGreen, 2); };
  const TCase cases[] = {
      {"grey steps", GreySteps, TVisionType::vtProtanopia, 0, 0},
      {"grey steps", GreySteps, TVisionType::vtDeuteranopia, 0, 0},
      {"grey steps", GreySteps, TVisionType::vtTritanopia, 0, 0},
      {"grey steps", GreySteps, TVisionType::vtProtanomaly, 0, 0},
      {"grey steps", GreySteps, TVisionType::vtDeuteranomaly, 0, 0},
      {"grey steps", GreySteps, TVisionType::vtTritanomaly, 0, 0},
      {"grey steps", GreySteps, TVisionType::vtAchromatopsia, 0, 0},
      {"colour steps", ColourSteps, TVisionType::vtProtanopia, 0, 0},
      {"colour steps", ColourSteps, TVisionType::vtDeuteranopia, 0, 0},
      {"colour steps", ColourSteps, TVisionType::vtTritanopia, 0, 0},
      {"colour steps", ColourSteps, TVisionType::vtAchromatopsia, 0, 0},
      {"red and green", squares, TVisionType::vtProtanopia, 0.95, 1},
      {"red and green", squares, TVisionType::vtDeuteranopia, 0.95, 1},
      {"red and green", squares, TVisionType::vtTritanopia, 0, 0.05},
      {"red and green", squares, TVisionType::vtAchromatopsia, 0.95, 1},
      // Seen across the two mixed pixels only, from three pixels apart.
      {"blended red and green", blended, TVisionType::vtDeuteranopia, 0.9, 1},
      {"blended red and green", blended, TVisionType::vtTritanopia, 0, 0.05},
  };
  for (const TCase& c : cases) {
    TBitmap picture;
    c.Make(picture);
    const TRowOperation model = VisionModelOperation(c.Type, kDefaultSeverity);
    const TContrastCounts counts = CountContrastLoss(picture, model, {});
    const std::string name = std::string(c.Name) + ", type " + std::to_string(int(c.Type));
    ASSERT_GT(counts.Visible, 100u) << name;
    const double share = double(counts.Lost) / double(counts.Visible);
    EXPECT_GE(share, c.LeastShare) << name;
    EXPECT_LE(share, c.MostShare) << name;
    // The map counts the same, and a picture without any loss is only made grey.
    const TContrastCounts drawn = ApplyContrastLossMap(picture, model, {});
    EXPECT_EQ(drawn.Lost, counts.Lost) << name;
    EXPECT_EQ(drawn.Visible, counts.Visible) << name;
    for (const TBytes& row : Rows24(picture)) {
      for (std::size_t i = 0; counts.Lost == 0 && i < row.size(); i += 3) {
        ASSERT_TRUE(row[i] == row[i + 1] && row[i] == row[i + 2]) << name;
      }
    }
  }
}

// Both confusion pairs side by side above black and white: every map pixel with colour is a
// marker, every grey one background; simulated under every type, each marker colour lies at least
// 20 ΔE00 from each background colour, the darkest (under black) and the lightest included.
TEST(ContrastLoss, MarkerStaysApartFromTheBackgroundForEveryViewer) {
  TBitmap picture;
  MakePicture(picture, 64, 24, [](int x, int y) {
    if (y >= 16) return x < 32 ? TColour{0, 0, 0} : TColour{255, 255, 255};
    const bool first = (x / 4 + y / 4) % 2 == 0;
    return x < 32 ? (first ? kRed : kGreen) : (first ? kDarkRed : kDarkGreen);
  });
  ApplyContrastLossMap(picture, VisionModelOperation(TVisionType::vtDeuteranopia), {});
  std::set<TColour> markers;
  std::set<TColour> background;
  for (const TBytes& row : Rows24(picture)) {
    for (std::size_t i = 0; i < row.size(); i += 3) {
      const TColour c = {row[i + 2], row[i + 1], row[i]};
      (c[0] == c[1] && c[1] == c[2] ? background : markers).insert(c);
    }
  }
  ASSERT_GE(markers.size(), 2u);  // strengths differ with the loss
  ASSERT_GE(background.size(), 3u);
  for (const TVisionTypeName& type : kVisionTypeNames) {
    for (const double severity : {0.3, kDefaultSeverity, 1.0}) {
      const TRowOperation model = VisionModelOperation(type.Type, severity);
      for (const TColour& m : markers) {
        for (const TColour& g : background) {
          std::uint8_t row[6] = {m[2], m[1], m[0], g[2], g[1], g[0]};
          model(row, 2);
          const double difference = Ciede2000(SrgbToLab(row[2], row[1], row[0]),
                                              SrgbToLab(row[5], row[4], row[3]));
          EXPECT_GE(difference, 20) << type.Name << " " << severity << ": marker " << int(m[0])
                                    << "," << int(m[1]) << "," << int(m[2]) << " on grey "
                                    << int(g[0]);
        }
      }
    }
  }
}

// The map does not depend on the order in which rows arrive (the row road reads bottom-up files
// from the bottom), and is the same file in every build.
TEST(ContrastLoss, MapIsTheSameFromEitherEndAndInEveryBuild) {
  TBitmap picture;
  MakePicture(picture, 61, 43, [](int x, int y) {
    const int v = (x * 37 + y * 11 + x * y) % 256;
    if ((x / 9 + y / 7) % 3 == 0) return (x + y) % 5 < 2 ? kRed : kGreen;
    return TColour{static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(255 - v),
                   static_cast<std::uint8_t>(v / 2)};
  });
  const std::vector<TBytes> source = Rows24(picture);
  const TRowOperation model = VisionModelOperation(TVisionType::vtProtanopia);
  TContrastLossMap reversed(61, model, {});
  std::vector<TBytes> fromBottom;
  const TRowFilter::TSink keep = [&](const std::uint8_t* row) {
    fromBottom.insert(fromBottom.begin(), TBytes(row, row + 3 * 61));
  };
  for (int y = 42; y >= 0; --y) reversed.Put(source[y].data(), keep);
  reversed.Finish(keep);
  const TContrastCounts counts = ApplyContrastLossMap(picture, model, {});
  EXPECT_EQ(Rows24(picture), fromBottom);
  EXPECT_EQ(reversed.Counts().Lost, counts.Lost);
  EXPECT_GT(counts.Lost, 0u);
  std::uint32_t hash = 2166136261u;  // FNV-1a
  for (const TBytes& row : fromBottom) {
    for (const std::uint8_t b : row) hash = (hash ^ b) * 16777619u;
  }
  EXPECT_EQ(counts.Visible, 8107u);
  EXPECT_EQ(counts.Lost, 1611u);
  EXPECT_EQ(hash, 3058348992u);
}

// A chart of pairs that protan, deutan and tritan viewers confuse: daltonized for a type and
// then seen by it, the chart loses fewer than half the boundaries it loses without. A teal beside
// a grey it differs from in lightness is lost by no one, before or after. Greys, and every colour
// at severity 0 (a viewer who loses nothing), stay exactly as they were.
TEST(Daltonize, LosesFewerBoundariesOfConfusionPairsAndLeavesWhatIsNotLostAsItWas) {
  constexpr TColour kPairs[][2] = {{kRed, kGreen},
                                   {kDarkRed, kDarkGreen},
                                   {{160, 120, 200}, {140, 140, 80}},
                                   {{240, 40, 120}, {220, 80, 0}}};
  TBitmap chart;
  MakePicture(chart, 64, 64, [&](int x, int y) {
    return kPairs[(x / 32) + 2 * (y / 32)][(x / 4 + y / 4) % 2];
  });
  std::vector<std::uint8_t> greys;
  for (int v = 0; v < 256; ++v) greys.insert(greys.end(), 3, static_cast<std::uint8_t>(v));
  for (const TVisionTypeName& type : kVisionTypeNames) {
    if (!CanDaltonize(type.Type)) continue;
    const TRowOperation model = VisionModelOperation(type.Type, 1);
    const TRowOperation daltonize = DaltonizeOperation(type.Type, 1);
    const TRowOperation seen = [&](std::uint8_t* row, int width) {
      daltonize(row, width);
      model(row, width);
    };
    const TContrastCounts before = CountContrastLoss(chart, model, {});
    const TContrastCounts after = CountContrastLoss(chart, seen, {});
    EXPECT_GT(before.Lost, 100u) << type.Name;
    EXPECT_LT(after.Lost * 2, before.Lost) << type.Name;
    TBitmap kept;
    Squares(kept, {0, 128, 128}, {96, 96, 96});
    EXPECT_EQ(CountContrastLoss(kept, model, {}).Lost, 0u) << type.Name;
    EXPECT_EQ(CountContrastLoss(kept, seen, {}).Lost, 0u) << type.Name;
    std::vector<std::uint8_t> row = greys;
    daltonize(row.data(), 256);
    EXPECT_EQ(row, greys) << type.Name;
    if (HasSeverity(type.Type)) {
      const std::vector<TBytes> colours = Rows24(chart);
      TBytes unchanged = colours[0];
      DaltonizeOperation(type.Type, 0)(unchanged.data(), 64);
      EXPECT_EQ(unchanged, colours[0]) << type.Name;
    }
  }
}

}  // namespace
