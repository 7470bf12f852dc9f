#include "image/analysis.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "image/bitmap.h"
#include "image_fixtures.h"

namespace {

using image_fixtures::Hex;
using image_fixtures::Noise;

// One pixel as it lies in memory: blue, green, red.
using TPixel = std::array<std::uint8_t, 3>;

// What a condition does to one pixel, written out the plain way.
TPixel Reference(TPixel p, int condition) {
  const int b = p[0], g = p[1], r = p[2];
  switch (condition) {
    case 0: return {p[0], p[1], 0};
    case 1: return {p[0], 0, p[2]};
    case 2: return {0, p[1], p[2]};
    case 3: return {p[0], p[1], static_cast<std::uint8_t>((g + b) / 2)};
    case 4: return {p[0], static_cast<std::uint8_t>((r + b) / 2), p[2]};
    case 5: return {static_cast<std::uint8_t>((r + g) / 2), p[1], p[2]};
    default: return p;
  }
}

TPixel Apply(TPixel p, int condition) {
  ApplyAnalysisConditionToRow(p.data(), 1, condition);
  return p;
}

TEST(Analysis, WorkedExamplesOnOnePixel) {
  // Red 200, green 101, blue 50.
  const TPixel source{50, 101, 200};
  struct Case {
    int condition;
    TPixel expected;
  };
  const Case cases[] = {
      {0, {50, 101, 0}},   {1, {50, 0, 200}},   {2, {0, 101, 200}},  {3, {50, 101, 75}},
      {4, {50, 125, 200}}, {5, {150, 101, 200}}, {-1, {50, 101, 200}}, {6, {50, 101, 200}},
      {1000, {50, 101, 200}},
  };
  for (const Case& c : cases) {
    const TPixel actual = Apply(source, c.condition);
    EXPECT_EQ(actual, c.expected) << "condition " << c.condition << ": expected "
                                  << Hex({c.expected.begin(), c.expected.end()}) << " got "
                                  << Hex({actual.begin(), actual.end()});
  }
}

TEST(Analysis, MeansAreFormedWideAndRoundedDown) {
  struct Case {
    const char* what;
    int condition;
    TPixel source;  // blue, green, red
    TPixel expected;
  };
  const Case cases[] = {
      {"white keeps red 255 (an 8-bit sum would wrap)", 3, {255, 255, 255}, {255, 255, 255}},
      {"red 1 alone gives green 0", 4, {0, 0, 1}, {0, 0, 1}},
      {"red 255 and blue 254 give green 254", 4, {254, 77, 255}, {254, 254, 255}},
      {"odd sum for blue", 5, {9, 0, 255}, {127, 0, 255}},
      {"grey under 3", 3, {128, 128, 128}, {128, 128, 128}},
      {"grey under 4", 4, {7, 7, 7}, {7, 7, 7}},
      {"grey under 5", 5, {200, 200, 200}, {200, 200, 200}},
      {"no red under 0", 0, {1, 2, 0}, {1, 2, 0}},
      {"the old value is not used", 3, {10, 20, 255}, {10, 20, 15}},
  };
  for (const Case& c : cases) {
    const TPixel actual = Apply(c.source, c.condition);
    EXPECT_EQ(actual, c.expected) << c.what << ": expected "
                                  << Hex({c.expected.begin(), c.expected.end()}) << " got "
                                  << Hex({actual.begin(), actual.end()});
  }
}

// Every width up to a few blocks of the vector pass, every condition, with guard bytes on both
// sides that must not change.
TEST(Analysis, RowPassMatchesThePlainFormulaAndStaysInsideTheRow) {
  constexpr int kGuard = 64;
  for (int condition = 0; condition < kAnalysisConditionCount; ++condition) {
    for (int width = 0; width <= 70; ++width) {
      const std::size_t bytes = static_cast<std::size_t>(width) * 3;
      std::vector<std::uint8_t> buffer = Noise(bytes + 2 * kGuard, 7u * condition + width);
      const std::vector<std::uint8_t> before = buffer;
      ApplyAnalysisConditionToRow(buffer.data() + kGuard, width, condition);

      std::vector<std::uint8_t> expected = before;
      for (int x = 0; x < width; ++x) {
        std::uint8_t* p = expected.data() + kGuard + 3 * x;
        const TPixel out = Reference({p[0], p[1], p[2]}, condition);
        std::copy(out.begin(), out.end(), p);
      }
      ASSERT_EQ(buffer, expected) << "condition " << condition << ", width " << width
                                  << "\nexpected " << Hex(expected) << "\nactual   "
                                  << Hex(buffer);
    }
  }
}

TEST(Analysis, RewritesEveryRowOfABitmapAndLeavesPaddingAlone) {
  // 5 pixels: 15 bytes of pixels and 1 of padding per row; 3 rows, bottom-up.
  const std::vector<std::uint8_t> bytes = Noise(48, 99);
  for (int condition = 0; condition < kAnalysisConditionCount; ++condition) {
    TBitmap bitmap;
    image_fixtures::Load(bitmap, image_fixtures::MakeSection({24, 5, 3}, bytes));
    ApplyAnalysisCondition(bitmap, condition);

    const std::uint8_t* memory = bitmap.Image().SectionHandle()->Bits();
    for (int row = 0; row < 3; ++row) {
      for (int x = 0; x < 5; ++x) {
        const std::uint8_t* in = bytes.data() + 16 * row + 3 * x;
        const TPixel expected = Reference({in[0], in[1], in[2]}, condition);
        const TPixel actual{memory[16 * row + 3 * x], memory[16 * row + 3 * x + 1],
                            memory[16 * row + 3 * x + 2]};
        EXPECT_EQ(actual, expected) << "condition " << condition << " memory row " << row
                                    << " pixel " << x;
      }
      EXPECT_EQ(memory[16 * row + 15], bytes[static_cast<std::size_t>(16 * row + 15)])
          << "padding of memory row " << row << " under condition " << condition;
    }
  }
}

TEST(Analysis, WritesNeverReachTheBitmapItWasAssignedFrom) {
  const std::vector<std::uint8_t> bytes = Noise(24, 5);
  TBitmap source;
  image_fixtures::Load(source, image_fixtures::MakeSection({24, 3, 2}, bytes));
  TBitmap result;
  result.Assign(&source);
  result.SetPixelLayout(TPixelLayout::pl24Bit);
  ApplyAnalysisCondition(result, 3);

  const std::uint8_t* kept = source.Image().SectionHandle()->Bits();
  EXPECT_EQ(std::vector<std::uint8_t>(kept, kept + 24), bytes);
  EXPECT_NE(result.Image().SectionHandle(), source.Image().SectionHandle());
}

TEST(Analysis, NothingHappensOutsideTheConditionsOrWithoutPixels) {
  TBitmap source;
  image_fixtures::Load(source, image_fixtures::MakeSection({24, 2, 2}, Noise(16, 3)));
  for (int condition : {-1, 6, -100}) {
    TBitmap result;
    result.Assign(&source);
    const std::int64_t made = TRasterBitmap::MadeCount();
    ApplyAnalysisCondition(result, condition);
    EXPECT_EQ(TRasterBitmap::MadeCount(), made) << "condition " << condition << " made a copy";
    EXPECT_EQ(source.Image().RefCount(), 2) << "condition " << condition;
  }

  TBitmap empty;
  empty.SetPixelLayout(TPixelLayout::pl24Bit);
  for (int condition = 0; condition < kAnalysisConditionCount; ++condition) {
    EXPECT_NO_THROW(ApplyAnalysisCondition(empty, condition)) << "condition " << condition;
  }
  EXPECT_TRUE(empty.Empty());
  EXPECT_EQ(empty.Width(), 0);
  EXPECT_EQ(empty.Height(), 0);
}

}  // namespace
