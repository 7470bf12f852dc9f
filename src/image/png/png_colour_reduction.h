// The smallest exact PNG layout of a 24-bit picture and its rows packed in it. A picture of at
// most 256 colours gets a palette at the smallest bit depth that indexes them; a grey one gets
// grey, at the smallest depth whose levels hold its greys exactly, when that is no deeper than
// the palette would be (grey needs no palette to be stored); anything else is 8-bit RGB. Every
// layout gives back exactly the pixels it was made from.
#pragma once

#include <array>
#include <cstdint>

#include "image/png/png_layout.h"

class TPngColourReduction {
 public:
  // For rows of `width` pixels (width > 0).
  explicit TPngColourReduction(int width);

  // Counts the colours of one 24-bit row (blue, green, red per pixel). Once more than 256
  // colours were seen the rest is not looked at, so a photo costs a few pixels.
  void AddRow(const std::uint8_t* bgr);

  // The layout of a picture of `height` rows, all of which were added. The reduction keeps it
  // for PackRow.
  const TPngLayout& ChooseLayout(int height);

  // Writes `bgr`, a row of the picture whose rows were added, as a raw row of the chosen layout
  // (Layout().RowBytes() bytes to `raw`). Only after ChooseLayout.
  void PackRow(const std::uint8_t* bgr, std::uint8_t* raw) const;

  const TPngLayout& Layout() const { return Layout_; }

 private:
  static constexpr int kMaxColours = 256;
  static constexpr int kSlots = 1024;  // a power of two, at most a quarter of it full
  static constexpr std::uint32_t kEmpty = 0xFFFFFFFF;

  // The slot of `colour` (0xRRGGBB): where it stands, or the empty slot where it would go.
  int SlotOf(std::uint32_t colour) const;
  int IndexOf(std::uint32_t colour) const {
    return Index_[static_cast<std::size_t>(SlotOf(colour))];
  }

  int Width_;
  int Count_ = 0;
  bool TooMany_ = false;
  std::uint32_t Colours_[kMaxColours] = {};  // in order of first appearance
  std::array<std::uint32_t, kSlots> Keys_;
  std::array<std::uint8_t, kSlots> Index_{};
  TPngLayout Layout_;
  int GreyStep_ = 1;  // for grey: 255 / (2^depth - 1), the distance of two levels
};
