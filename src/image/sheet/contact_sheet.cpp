#include "image/sheet/contact_sheet.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "image/bitmap.h"
#include "image/blank_picture.h"
#include "image/colour/contrast_loss.h"
#include "image/colour/linear_downscale.h"
#include "image/colour/row_operation.h"
#include "image/colour/vision_model.h"
#include "image/raster/dib.h"
#include "image/raster/raster_bitmap.h"
#include "image/sheet/bitmap_font.h"

namespace {

constexpr TPixelColour kLabelColour = {64, 64, 64};
constexpr int kSheetRows =
    (static_cast<int>(kSheetLabels.size()) + kSheetColumns - 1) / kSheetColumns;

}  // namespace

std::array<TRowOperation, kSheetLabels.size()> SheetTileOperations() {
  return {nullptr,
          AnalysisConditionOperation(0),
          AnalysisConditionOperation(1),
          AnalysisConditionOperation(2),
          AnalysisConditionOperation(3),
          AnalysisConditionOperation(4),
          AnalysisConditionOperation(5),
          VisionModelOperation(TVisionType::vtProtanopia),
          VisionModelOperation(TVisionType::vtDeuteranopia),
          VisionModelOperation(TVisionType::vtTritanopia),
          VisionModelOperation(TVisionType::vtAchromatopsia)};
}

namespace {

// The largest size of the picture's aspect within the tile box, never larger than the picture.
// Sizes round to the nearest pixel and never drop below one.
void FitTile(int width, int height, int& tileWidth, int& tileHeight) {
  if (width <= 0 || height <= 0) {
    tileWidth = tileHeight = 0;
  } else if (width <= kSheetTileWidth && height <= kSheetTileHeight) {
    tileWidth = width;
    tileHeight = height;
  } else if (std::int64_t{width} * kSheetTileHeight >= std::int64_t{height} * kSheetTileWidth) {
    tileWidth = kSheetTileWidth;
    tileHeight = static_cast<int>(
        std::max<std::int64_t>(1, (std::int64_t{height} * kSheetTileWidth + width / 2) / width));
  } else {
    tileHeight = kSheetTileHeight;
    tileWidth = static_cast<int>(
        std::max<std::int64_t>(1, (std::int64_t{width} * kSheetTileHeight + height / 2) / height));
  }
}

// A white 24-bit picture of `width` x `height`.
std::unique_ptr<TBitmap> WhitePicture(int width, int height) {
  std::unique_ptr<TBitmap> picture = NewPicture24(width, height);
  TRasterBitmap& section = *picture->DIBSection();
  std::memset(section.Bits(), 0xFF, static_cast<std::size_t>(section.ImageSize()));
  return picture;
}

}  // namespace

int TSheetLayout::CellLeft(int index) const {
  return kSheetGutter + (index % kSheetColumns) * (CellWidth + kSheetGutter);
}

int TSheetLayout::CellTop(int index) const {
  return kSheetGutter + (index / kSheetColumns) * (CellHeight + kSheetGutter);
}

int TSheetLayout::TileLeft(int index) const {
  return CellLeft(index) + (CellWidth - TileWidth) / 2;
}

int TSheetLayout::LabelLeft(int index) const {
  const std::string_view label = kSheetLabels[static_cast<std::size_t>(index)];
  return CellLeft(index) + (CellWidth - TextWidth(label, kSheetLabelScale)) / 2;
}

int TSheetLayout::LabelTop(int index) const { return CellTop(index) + TileHeight + kSheetLabelGap; }

TSheetLayout SheetLayout(int width, int height) {
  TSheetLayout layout;
  FitTile(width, height, layout.TileWidth, layout.TileHeight);
  int widestLabel = 0;
  for (const std::string_view label : kSheetLabels) {
    widestLabel = std::max(widestLabel, TextWidth(label, kSheetLabelScale));
  }
  layout.CellWidth = std::max(layout.TileWidth, widestLabel);
  layout.CellHeight = layout.TileHeight + kSheetLabelGap + kGlyphHeight * kSheetLabelScale;
  layout.Width = kSheetGutter + kSheetColumns * (layout.CellWidth + kSheetGutter);
  layout.Height = kSheetGutter + kSheetRows * (layout.CellHeight + kSheetGutter);
  return layout;
}

namespace {

// The sheet of `picture`; with `thresholds`, every tile but the first is the contrast-loss map of
// its operation on the scaled picture instead of the operation's result.
std::unique_ptr<TBitmap> Sheet(TBitmap& picture, const TContrastThresholds* thresholds) {
  const TSheetLayout layout = SheetLayout(picture.Width(), picture.Height());
  std::unique_ptr<TBitmap> sheet = WhitePicture(layout.Width, layout.Height);
  std::unique_ptr<TBitmap> tile;
  if (layout.TileWidth > 0) {
    TBitmap source;
    source.Assign(&picture);
    source.SetPixelLayout(TPixelLayout::pl24Bit);
    tile = ScaleDownLinear(source, layout.TileWidth, layout.TileHeight);
  }
  const auto operations = SheetTileOperations();
  const std::size_t rowBytes = std::size_t{3} * static_cast<std::size_t>(layout.TileWidth);
  for (int index = 0; index < static_cast<int>(kSheetLabels.size()); ++index) {
    TBitmap map;
    if (tile && thresholds != nullptr && operations[index]) {
      map.Assign(tile.get());
      ApplyContrastLossMap(map, operations[index], *thresholds);
    }
    for (int y = 0; tile && y < layout.TileHeight; ++y) {
      std::uint8_t* target = sheet->RowData(layout.CellTop(index) + y) + 3 * layout.TileLeft(index);
      if (map.Width() > 0) {
        std::memcpy(target, map.RowData(y), rowBytes);
        continue;
      }
      std::memcpy(target, tile->RowData(y), rowBytes);
      if (operations[index]) operations[index](target, layout.TileWidth);
    }
    DrawText(*sheet, layout.LabelLeft(index), layout.LabelTop(index), kSheetLabels[index],
             kSheetLabelScale, kLabelColour);
  }
  return sheet;
}

}  // namespace

std::unique_ptr<TBitmap> MakeContactSheet(TBitmap& picture) { return Sheet(picture, nullptr); }

std::unique_ptr<TBitmap> MakeContrastLossSheet(TBitmap& picture, TContrastThresholds thresholds) {
  return Sheet(picture, &thresholds);
}
