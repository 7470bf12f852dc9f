#include "image/png/png_colour_reduction.h"

namespace {

std::uint32_t ColourAt(const std::uint8_t* bgr) {
  return std::uint32_t{bgr[2]} << 16 | std::uint32_t{bgr[1]} << 8 | bgr[0];
}

// The smallest of the depths 1, 2, 4 and 8 that indexes `count` entries (count <= 256).
int DepthFor(int count) {
  for (const int depth : {1, 2, 4}) {
    if (count <= 1 << depth) return depth;
  }
  return 8;
}

// Packs the `width` values of `valueOf` (each below 2^depth) from the most significant bit.
template <typename TValueOf>
void PackBits(int width, int depth, std::uint8_t* raw, TValueOf valueOf) {
  if (depth == 8) {
    for (int x = 0; x < width; ++x) raw[x] = static_cast<std::uint8_t>(valueOf(x));
    return;
  }
  const int perByte = 8 / depth;
  unsigned pending = 0;
  int filled = 0;
  for (int x = 0; x < width; ++x) {
    pending = pending << depth | valueOf(x);
    if (++filled == perByte) {
      *raw++ = static_cast<std::uint8_t>(pending);
      pending = 0;
      filled = 0;
    }
  }
  if (filled != 0) *raw = static_cast<std::uint8_t>(pending << depth * (perByte - filled));
}

}  // namespace

TPngColourReduction::TPngColourReduction(int width) : Width_(width) { Keys_.fill(kEmpty); }

int TPngColourReduction::SlotOf(std::uint32_t colour) const {
  // Fibonacci hashing: the top bits of the product spread neighbouring colours apart.
  unsigned slot = (colour * 0x9E3779B1u) >> 22;
  while (Keys_[slot] != kEmpty && Keys_[slot] != colour) slot = (slot + 1) & (kSlots - 1);
  return static_cast<int>(slot);
}

void TPngColourReduction::AddRow(const std::uint8_t* bgr) {
  if (TooMany_) return;
  std::uint32_t previous = kEmpty;
  for (int x = 0; x < Width_; ++x, bgr += 3) {
    const std::uint32_t colour = ColourAt(bgr);
    // Runs of one colour are common in the pictures that have few.
    if (colour == previous) continue;
    previous = colour;
    const auto slot = static_cast<std::size_t>(SlotOf(colour));
    if (Keys_[slot] != kEmpty) continue;
    if (Count_ == kMaxColours) {
      TooMany_ = true;
      return;
    }
    Keys_[slot] = colour;
    Index_[slot] = static_cast<std::uint8_t>(Count_);
    Colours_[Count_++] = colour;
  }
}

const TPngLayout& TPngColourReduction::ChooseLayout(int height) {
  Layout_ = TPngLayout{};
  Layout_.Width = Width_;
  Layout_.Height = height;
  if (TooMany_) return Layout_;  // 8-bit RGB

  bool grey = true;
  for (int i = 0; i < Count_; ++i) {
    const std::uint32_t c = Colours_[i];
    grey = grey && (c >> 16) == (c & 0xFF) && ((c >> 8) & 0xFF) == (c & 0xFF);
  }
  const int paletteDepth = DepthFor(Count_);
  if (grey) {
    // The smallest depth whose levels, 255 / (2^depth - 1) apart, include every grey.
    int greyDepth = 1;
    for (; greyDepth < 8; greyDepth *= 2) {
      const unsigned step = 255u / ((1u << greyDepth) - 1);
      bool exact = true;
      for (int i = 0; i < Count_; ++i) exact = exact && (Colours_[i] & 0xFF) % step == 0;
      if (exact) break;
    }
    if (greyDepth <= paletteDepth) {
      Layout_.ColourType = TPngColourType::pcGrey;
      Layout_.BitDepth = greyDepth;
      GreyStep_ = static_cast<int>(255u / ((1u << greyDepth) - 1));
      return Layout_;
    }
  }
  Layout_.ColourType = TPngColourType::pcPalette;
  Layout_.BitDepth = paletteDepth;
  for (int i = 0; i < Count_; ++i) {
    const std::uint32_t c = Colours_[i];
    Layout_.Palette.push_back({static_cast<std::uint8_t>(c >> 16),
                               static_cast<std::uint8_t>(c >> 8), static_cast<std::uint8_t>(c)});
  }
  return Layout_;
}

void TPngColourReduction::PackRow(const std::uint8_t* bgr, std::uint8_t* raw) const {
  switch (Layout_.ColourType) {
    case TPngColourType::pcRgb:
      for (int x = 0; x < Width_; ++x, bgr += 3, raw += 3) {
        raw[0] = bgr[2];
        raw[1] = bgr[1];
        raw[2] = bgr[0];
      }
      return;
    case TPngColourType::pcGrey:
      PackBits(Width_, Layout_.BitDepth, raw,
               [&](int x) { return static_cast<unsigned>(bgr[3 * x] / GreyStep_); });
      return;
    case TPngColourType::pcPalette: {
      std::uint32_t previous = kEmpty;
      unsigned index = 0;
      PackBits(Width_, Layout_.BitDepth, raw, [&](int x) {
        const std::uint32_t colour = ColourAt(bgr + 3 * x);
        if (colour != previous) {
          previous = colour;
          index = static_cast<unsigned>(IndexOf(colour));
        }
        return index;
      });
      return;
    }
  }
}
