#include "image/colour/analysis.h"

#include <gtest/gtest.h>

#include <array>

#include "image/bitmap.h"
#include "image_fixtures.h"

namespace {

using namespace image_fixtures;

// One pixel as it lies in memory: blue, green, red.
using TPixel = std::array<std::uint8_t, 3>;

// What a condition does to `width` pixels at `p`, written out the plain way.
void Reference(std::uint8_t* p, int width, int condition) {
  for (; width > 0; --width, p += 3) {
    const int b = p[0], g = p[1], r = p[2];
    switch (condition) {
      case 0: p[2] = 0; break;
      case 1: p[1] = 0; break;
      case 2: p[0] = 0; break;
      case 3: p[2] = static_cast<std::uint8_t>((g + b) / 2); break;
      case 4: p[1] = static_cast<std::uint8_t>((r + b) / 2); break;
      case 5: p[0] = static_cast<std::uint8_t>((r + g) / 2); break;
    }
  }
}

TEST(Analysis, WorkedExamplesAndWideMeans) {
  struct Case {
    const char* what;
    int condition;
    TPixel source, expected;  // blue, green, red
  };
  const TPixel worked{50, 101, 200};  // red 200, green 101, blue 50
  const Case cases[] = {
      {"red := 0", 0, worked, {50, 101, 0}},
      {"green := 0", 1, worked, {50, 0, 200}},
      {"blue := 0", 2, worked, {0, 101, 200}},
      {"red := (g + b) / 2", 3, worked, {50, 101, 75}},
      {"green := (r + b) / 2", 4, worked, {50, 125, 200}},
      {"blue := (r + g) / 2", 5, worked, {150, 101, 200}},
      {"below the conditions", -1, worked, worked},
      {"above the conditions", 6, worked, worked},
      {"white keeps red 255 (an 8-bit sum would wrap)", 3, {255, 255, 255}, {255, 255, 255}},
      {"red 255 and blue 254 give green 254", 4, {254, 77, 255}, {254, 254, 255}},
      {"an odd sum rounds down", 5, {9, 0, 255}, {127, 0, 255}},
      {"the old value is not used", 3, {10, 20, 255}, {10, 20, 15}},
  };
  for (const Case& c : cases) {
    TPixel actual = c.source;
    ApplyAnalysisConditionToRow(actual.data(), 1, c.condition);
    EXPECT_EQ(actual, c.expected) << c.what;
  }
}

// Every width up to a few blocks of the vector pass, with guard bytes on both sides that must
// not change.
TEST(Analysis, RowPassMatchesThePlainFormulaAndStaysInsideTheRow) {
  constexpr int kGuard = 64;
  for (int condition = 0; condition < kAnalysisConditionCount; ++condition) {
    for (int width = 0; width <= 70; ++width) {
      TBytes buffer = Noise(3 * width + 2 * kGuard, 7u * condition + width);
      TBytes expected = buffer;
      Reference(expected.data() + kGuard, width, condition);
      ApplyAnalysisConditionToRow(buffer.data() + kGuard, width, condition);
      ASSERT_EQ(Hex(buffer), Hex(expected)) << "condition " << condition << ", width " << width;
    }
  }
}

// Through RowData: the bitmap it was assigned from never sees the change.
TEST(Analysis, RewritesEveryRowOfABitmapAndLeavesPaddingAndTheSourceAlone) {
  // 5 pixels: 15 bytes of pixels and 1 of padding per row; 3 rows.
  const TBytes bytes = Noise(48, 99);
  for (int condition = 0; condition < kAnalysisConditionCount; ++condition) {
    TBitmap source, bitmap;
    Load(source, MakeSection({24, 5, 3}, bytes));
    bitmap.Assign(&source);
    ApplyAnalysisCondition(bitmap, condition);
    TBytes expected = bytes;
    for (int row = 0; row < 3; ++row) Reference(expected.data() + 16 * row, 5, condition);
    EXPECT_EQ(Hex(Memory(bitmap)), Hex(expected)) << "condition " << condition;
    EXPECT_EQ(Memory(source), bytes) << "condition " << condition;
  }
}

TEST(Analysis, NothingHappensOutsideTheConditionsOrWithoutPixels) {
  TBitmap source;
  Load(source, MakeSection({24, 2, 2}, Noise(16, 3)));
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
}

}  // namespace
