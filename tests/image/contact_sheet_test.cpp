#include "image/sheet/contact_sheet.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "image/bitmap.h"
#include "image/colour/linear_downscale.h"
#include "image_fixtures.h"
#include "rtl/stream.h"

namespace {

using namespace image_fixtures;

// A 24-bit picture of `width` x `height` in a pattern of `colour` and black squares of `square`
// pixels; one square fills the picture when `square` is 0.
void MakePattern(TBitmap& bitmap, int width, int height, int square, std::uint8_t colour) {
  Load(bitmap, MakeSection({24, width, height}));
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = bitmap.RowData(y);
    for (int x = 0; x < 3 * width; ++x) {
      row[x] = square == 0 || (x / 3 / square + y / square) % 2 == 0 ? colour : 0;
    }
  }
}

TBytes Stored(TBitmap& bitmap) {
  TMemoryStream stream;
  bitmap.StoreToStream(stream);
  return TBytes(stream.Memory(), stream.Memory() + stream.Size());
}

// FNV-1a, to compare whole files between builds.
std::uint32_t Checksum(const TBytes& bytes) {
  std::uint32_t hash = 2166136261u;
  for (const std::uint8_t b : bytes) hash = (hash ^ b) * 16777619u;
  return hash;
}

TEST(ContactSheet, TilesFitTheBoxKeepingTheirAspectAndLabelsLieUnderThem) {
  struct TCase {
    const char* Name;
    int Width, Height, TileWidth, TileHeight, SheetWidth, SheetHeight;
  };
  // The widest label ("4 green = (R+B)/2") is 202 pixels: narrower tiles get cells that wide.
  const TCase cases[] = {{"wide", 1000, 100, 480, 48, 1960, 242},
                         {"tall", 100, 1000, 36, 360, 848, 1178},
                         {"one pixel", 1, 1, 1, 1, 848, 101},
                         {"large", 4000, 3000, 480, 360, 1960, 1178},
                         {"small, not scaled up", 300, 200, 300, 200, 1240, 698},
                         {"a hundred million rows of one pixel", 1, 100'000'000, 1, 360, 848, 1178},
                         {"a hundred million columns", 100'000'000, 1, 480, 1, 1960, 101}};
  for (const TCase& c : cases) {
    const TSheetLayout layout = SheetLayout(c.Width, c.Height);
    EXPECT_EQ(layout.TileWidth, c.TileWidth) << c.Name;
    EXPECT_EQ(layout.TileHeight, c.TileHeight) << c.Name;
    EXPECT_EQ(layout.Width, c.SheetWidth) << c.Name;
    EXPECT_EQ(layout.Height, c.SheetHeight) << c.Name;
    // Scaling holds what scaling the tile itself would hold, whatever the picture's shape.
    EXPECT_EQ(TLinearDownscale(c.Width, c.Height, c.TileWidth, c.TileHeight).WorkingBytes(),
              TLinearDownscale(c.TileWidth, c.TileHeight, c.TileWidth, c.TileHeight).WorkingBytes())
        << c.Name;
    if (c.Width > 1000 || c.Height > 1000) continue;  // the pictures below are kept small
    TBitmap picture;
    MakePattern(picture, c.Width, c.Height, 0, 200);
    const std::unique_ptr<TBitmap> sheet = MakeContactSheet(picture);
    ASSERT_EQ(sheet->Width(), c.SheetWidth) << c.Name;
    ASSERT_EQ(sheet->Height(), c.SheetHeight) << c.Name;
    const std::vector<TBytes> rows = Rows24(*sheet);
    for (int i = 0; i < static_cast<int>(kSheetLabels.size()); ++i) {
      // The first tile holds the picture's colour in each corner, white just outside.
      if (i == 0) {
        const int left = layout.TileLeft(0), top = layout.CellTop(0);
        for (const auto& [x, y] :
             {std::pair{left, top}, {left + c.TileWidth - 1, top + c.TileHeight - 1}}) {
          EXPECT_EQ(rows[y][3 * x + 1], 200) << c.Name << " at " << x << ", " << y;
        }
        EXPECT_EQ(rows[top][3 * (left - 1)], 255) << c.Name;
      }
      // Some pixels of the label's box are dark.
      int dark = 0;
      for (int y = layout.LabelTop(i); y < layout.LabelTop(i) + 16; ++y) {
        for (int x = layout.CellLeft(i); x < layout.CellLeft(i) + layout.CellWidth; ++x) {
          dark += rows[y][3 * x] < 128;
        }
      }
      EXPECT_GT(dark, 20) << c.Name << ", label " << kSheetLabels[i];
    }
  }
}

TEST(ContactSheet, ScalesInLinearLightAndGivesTheSameBytesInEveryRunAndBuild) {
  // Black and green squares of one pixel average to half the light: level 146, not 100.
  TBitmap picture;
  MakePattern(picture, 960, 720, 1, 200);
  const std::unique_ptr<TBitmap> sheet = MakeContactSheet(picture);
  const TSheetLayout layout = SheetLayout(960, 720);
  EXPECT_NEAR(Rows24(*sheet)[layout.CellTop(0) + 100][3 * (layout.TileLeft(0) + 100) + 1], 146, 1);
  // Every level of every channel, scaled by a factor that straddles source pixels.
  TBitmap varied;
  Load(varied, MakeSection({24, 509, 307}));
  for (int y = 0; y < 307; ++y) {
    std::uint8_t* row = varied.RowData(y);
    for (int x = 0; x < 3 * 509; ++x) row[x] = static_cast<std::uint8_t>(x * 7 + y * 13 + x * y);
  }
  const TBytes first = Stored(*MakeContactSheet(varied));
  EXPECT_EQ(Stored(*MakeContactSheet(varied)), first);
  EXPECT_EQ(Checksum(first), 1438260415u);
}

}  // namespace
