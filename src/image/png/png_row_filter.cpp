#include "image/png/png_row_filter.h"

#include <algorithm>
#include <cstring>

namespace {

// The magnitude of a filtered byte read as a signed one.
inline unsigned Magnitude(std::uint8_t v) { return v < 128 ? v : 256u - v; }

// Each filter writes row `out` from `raw` and `up` (the row above) and returns the sum of the
// magnitudes it wrote. `S` is the filter step (bytes per pixel): bytes left of the first pixel
// count as 0. Written per step so that the compiler can keep the neighbours in registers.
template <int S>
std::uint64_t Sub(const std::uint8_t* raw, const std::uint8_t*, std::uint8_t* out, std::int64_t n) {
  std::uint64_t sum = 0;
  for (std::int64_t i = 0; i < std::min<std::int64_t>(S, n); ++i) sum += Magnitude(out[i] = raw[i]);
  for (std::int64_t i = S; i < n; ++i) {
    sum += Magnitude(out[i] = static_cast<std::uint8_t>(raw[i] - raw[i - S]));
  }
  return sum;
}

template <int S>
std::uint64_t Up(const std::uint8_t* raw, const std::uint8_t* up, std::uint8_t* out,
                 std::int64_t n) {
  std::uint64_t sum = 0;
  for (std::int64_t i = 0; i < n; ++i) {
    sum += Magnitude(out[i] = static_cast<std::uint8_t>(raw[i] - up[i]));
  }
  return sum;
}

template <int S>
std::uint64_t Average(const std::uint8_t* raw, const std::uint8_t* up, std::uint8_t* out,
                      std::int64_t n) {
  std::uint64_t sum = 0;
  for (std::int64_t i = 0; i < std::min<std::int64_t>(S, n); ++i) {
    sum += Magnitude(out[i] = static_cast<std::uint8_t>(raw[i] - (up[i] >> 1)));
  }
  for (std::int64_t i = S; i < n; ++i) {
    const unsigned mean = (unsigned{raw[i - S]} + up[i]) >> 1;
    sum += Magnitude(out[i] = static_cast<std::uint8_t>(raw[i] - mean));
  }
  return sum;
}

// The neighbour (left a, above b, above left c) nearest to a + b - c; ties go to a, then b.
inline unsigned PaethPredictor(int a, int b, int c) {
  const int pa = std::abs(b - c);
  const int pb = std::abs(a - c);
  const int pc = std::abs(a + b - 2 * c);
  return static_cast<unsigned>(pa <= pb && pa <= pc ? a : pb <= pc ? b : c);
}

template <int S>
std::uint64_t Paeth(const std::uint8_t* raw, const std::uint8_t* up, std::uint8_t* out,
                    std::int64_t n) {
  std::uint64_t sum = 0;
  // Left of the first pixel a and c are 0, so the predictor is b.
  for (std::int64_t i = 0; i < std::min<std::int64_t>(S, n); ++i) {
    sum += Magnitude(out[i] = static_cast<std::uint8_t>(raw[i] - up[i]));
  }
  for (std::int64_t i = S; i < n; ++i) {
    const unsigned p = PaethPredictor(raw[i - S], up[i], up[i - S]);
    sum += Magnitude(out[i] = static_cast<std::uint8_t>(raw[i] - p));
  }
  return sum;
}

using TFilterFunction = std::uint64_t (*)(const std::uint8_t*, const std::uint8_t*, std::uint8_t*,
                                          std::int64_t);
struct TFilterTable {
  TFilterFunction Functions[4];  // Sub, Up, Average, Paeth
};
template <int S>
constexpr TFilterTable kFiltersOf{{Sub<S>, Up<S>, Average<S>, Paeth<S>}};

}  // namespace

TPngRowFilter::TPngRowFilter(const TPngLayout& layout)
    : RowBytes_(layout.RowBytes()),
      Step_(layout.FilterStep()),
      Adaptive_(layout.BitDepth == 8 && layout.ColourType != TPngColourType::pcPalette),
      Previous_(static_cast<std::size_t>(RowBytes_)) {
  for (int type = 0; type < (Adaptive_ ? 5 : 1); ++type) {
    Candidates_[type].resize(static_cast<std::size_t>(RowBytes_ + 1));
    Candidates_[type][0] = static_cast<std::uint8_t>(type);
  }
}

const std::uint8_t* TPngRowFilter::Filter(const std::uint8_t* raw) {
  std::uint8_t* none = Candidates_[0].data();
  std::memcpy(none + 1, raw, static_cast<std::size_t>(RowBytes_));
  int best = 0;
  if (Adaptive_) {
    const TFilterTable& table = Step_ == 3 ? kFiltersOf<3> : kFiltersOf<1>;
    std::uint64_t smallest = 0;
    for (std::int64_t i = 0; i < RowBytes_; ++i) smallest += Magnitude(raw[i]);
    for (int type = 1; type < 5; ++type) {
      const std::uint64_t sum =
          table.Functions[type - 1](raw, Previous_.data(), Candidates_[type].data() + 1, RowBytes_);
      // Ties keep the simpler filter.
      if (sum < smallest) {
        smallest = sum;
        best = type;
      }
    }
  }
  std::memcpy(Previous_.data(), raw, static_cast<std::size_t>(RowBytes_));
  return Candidates_[best].data();
}
