// The contact sheet: one picture that shows a picture as it is, under each of the six analysis
// conditions and under the four colour-vision models of full deficiency, side by side in a grid
// of four columns, each tile labelled underneath in our bitmap font.
#pragma once

#include <array>
#include <memory>
#include <string_view>

#include "image/colour/contrast_loss.h"
#include "image/colour/row_operation.h"

class TBitmap;

// The tiles' labels, in the order of the tiles (left to right, then top to bottom).
inline constexpr std::array<std::string_view, 11> kSheetLabels = {
    "original",        "0 red removed",     "1 green removed",  "2 blue removed",
    "3 red = (G+B)/2", "4 green = (R+B)/2", "5 blue = (R+G)/2", "protanopia",
    "deuteranopia",    "tritanopia",        "achromatopsia"};

inline constexpr int kSheetColumns = 4;
inline constexpr int kSheetGutter = 8;       // white space around and between the cells
inline constexpr int kSheetTileWidth = 480;  // the box a tile is scaled down into
inline constexpr int kSheetTileHeight = 360;
inline constexpr int kSheetLabelScale = 2;  // font pixels per glyph pixel
inline constexpr int kSheetLabelGap = 6;    // between a tile and its label

// Where everything lies on a sheet. Coordinates count from the top-left pixel.
struct TSheetLayout {
  int TileWidth = 0;  // the picture scaled to fit 480 x 360, never up, keeping its aspect
  int TileHeight = 0;
  int CellWidth = 0;   // a tile or its widest label, whichever is wider
  int CellHeight = 0;  // tile, gap and label
  int Width = 0;       // the sheet
  int Height = 0;

  int CellLeft(int index) const;
  int CellTop(int index) const;
  // The tile is centred in its cell, at the cell's top.
  int TileLeft(int index) const;
  // The label of tile `index` is centred under the tile.
  int LabelLeft(int index) const;
  int LabelTop(int index) const;
};

// The layout of the sheet of a picture of `width` x `height` pixels. A picture without pixels
// gets tiles of 0 x 0 and its labels only.
TSheetLayout SheetLayout(int width, int height);

// The sheet of `picture` as a new 24-bit picture, owned by the caller: the picture is converted
// to 24 bits (into a bitmap of its own; `picture` is only read), scaled down once by averaging
// in linear light, and each operation is applied to a copy of that tile. White background,
// labels in dark grey.
std::unique_ptr<TBitmap> MakeContactSheet(TBitmap& picture);

// The operation of each tile, in the order of kSheetLabels: none (empty) for the first, the
// picture as it is.
std::array<TRowOperation, kSheetLabels.size()> SheetTileOperations();

// The same sheet of contrast-loss maps: the first tile the picture as it is, each other tile the
// map of what its operation loses of the scaled picture (contrast_loss.h). The caller owns it.
std::unique_ptr<TBitmap> MakeContrastLossSheet(TBitmap& picture, TContrastThresholds thresholds);
