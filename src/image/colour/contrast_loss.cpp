#include "image/colour/contrast_loss.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>

#include "image/bitmap.h"
#include "image/colour/ciede2000.h"
#include "image/colour/cielab.h"
#include "image/colour/row_reader.h"
#include "image/colour/srgb_transfer.h"

namespace {

// Rows kept: a row is compared with the rows one and three before it.
constexpr int kRing = 4;
constexpr int kDistances[] = {1, 3};

// The background: the original's luminance Y, encoded, then brought towards white so that only
// kFaintShare / 256 of its contrast is left (lightness from about 72 to 100).
constexpr int kFaintShare = 80;

// The marker: dark magenta, laid over the background with a weight from kBaseWeight / 16 (a
// boundary just lost) to 1 (a loss of kFullLoss ΔE00 beyond the least a lost boundary loses).
// Magenta is a mixture of the long- and short-wave ends that no model takes out entirely, and
// dark, so that it stays apart from the light background in lightness as well, which is all that
// achromatopsia leaves.
struct TRgb {
  int Red;
  int Green;
  int Blue;
};
constexpr TRgb kMarker = {120, 0, 90};
constexpr int kBaseWeight = 8;
constexpr int kLevels = 16 - kBaseWeight;  // levels above the base
constexpr double kFullLoss = 30;

// ΔE00 is never above sqrt(ΔL*^2 + 1.866 ((1 + G)^2 Δa*^2 + Δb*^2) / S^2) with S = 1 + 0.0054 C̄
// (C̄ the mean chroma, G the stretch of a* that it sets): S_L is at least 1; S_C and S_H are at
// least S, since T never falls below 0.362 and C̄' >= C̄; a' is a* stretched by 1 + G; and the
// rotation term adds at most sin 60° = 0.866 of the chroma and hue terms. G falls as chroma
// grows, so the larger G of the two pixels' own chromas stands for that of their mean. A pair
// whose bound lies below the visible threshold is no visible boundary, and its ΔE00 is never
// computed: the common case in flat and smooth areas and in noise. The factors are rounded up
// (1.9 for 1.866, 1% for G in float) well beyond float rounding, so the shortcut never changes
// a result, whichever way a build rounds floats.
constexpr float kBoundLightness = 1.001f;
constexpr float kBoundChromatic = 1.9f;
constexpr float kBoundChroma = 0.0027f;  // 0.0054 of the mean: of the sum, half
constexpr float k25To7 = 6103515625.0f;

// ΔE00^2 is never below (ΔL*/S_L)^2 + 0.1339 (Δa*^2 + Δb*^2) / (1 + 0.0675 C̄)^2: the rotation
// term takes at most sin 60° = 0.866 of the chroma and hue terms; a' only stretches a*; and
// S_C and S_H are at most 1 + 0.045 C̄' <= 1 + 0.0675 C̄ (T stays below 1.93, and C̄' <= 1.5 C̄).
// A pair whose lower bound reaches a threshold is decided without its ΔE00: most pairs of a
// busy picture are plainly apart in the original and stay apart for the viewer. Scaled by 0.999,
// far beyond rounding, so that it never changes a result either.
double SquareLowerBound(const TLab& p, const TLab& q, double c1, double c2) {
  const double dl = p.L - q.L;
  const double da = p.A - q.A;
  const double db = p.B - q.B;
  const double offset = (p.L + q.L - 100) * (p.L + q.L - 100) / 4;
  const double sl = 1 + 0.015 * offset / std::sqrt(20 + offset);
  const double s = 1 + 0.0675 * (c1 + c2) / 2;
  return 0.999 * ((dl / sl) * (dl / sl) + 0.1339 * (da * da + db * db) / (s * s));
}

double Chroma(const TLab& lab) { return std::sqrt(lab.A * lab.A + lab.B * lab.B); }

// The Lab of one row in planes, with what the bound needs of each pixel: its chroma and the
// square of the stretch 1 + G that a pair of its chroma would have.
struct TLabRow {
  std::vector<float> L, A, B, C, Stretch;

  void Resize(std::size_t n) {
    L.resize(n);
    A.resize(n);
    B.resize(n);
    C.resize(n);
    Stretch.resize(n);
  }
  // With `luminance`, each pixel's luminance as well (cielab.h).
  void Convert(const std::uint8_t* row, int width, std::uint16_t* luminance) {
    SrgbRowToLab(row, width, L.data(), A.data(), B.data(), luminance);
    for (int x = 0; x < width; ++x) {
      const float c = std::sqrt(A[x] * A[x] + B[x] * B[x]);
      const float c2 = c * c;
      const float c7 = c2 * c2 * c2 * c;
      const float stretch = 1.5f - 0.5f * std::sqrt(c7 / (c7 + k25To7));
      C[x] = c;
      Stretch[x] = 1.01f * stretch * stretch;
    }
  }
  TLab At(int x) const { return {L[x], A[x], B[x]}; }
};

// Pairs are screened a block at a time: the bounds in one loop that the compiler vectorises, and
// only in a block where some pass, those one by one.
constexpr int kScreenBlock = 32;

}  // namespace

struct TContrastLossMap::TRows {
  TLabRow Original[kRing];
  // What the viewer sees: the transformed row, and its Lab for the pixels that a visible
  // boundary needs (Ready), made on demand since visible boundaries are few.
  std::vector<std::uint8_t> Transformed[kRing];
  TLabRow Seen[kRing];
  std::vector<std::uint8_t> Ready[kRing];
  std::vector<float> Loss[kRing];  // the mark of each pixel: 0 none, else its level plus one
  std::vector<std::uint8_t> Grey[kRing];  // the faint grey background
  std::vector<std::uint16_t> Luminance;   // of the row being put
  std::vector<std::uint8_t> Out;          // a map row
  // The map pixel (blue, green, red) for background grey g at marker level k: [(g * (kLevels +
  // 1) + k) * 3].
  std::vector<std::uint8_t> Marked;

  TRows(int width, bool draw) {
    // 40 bytes of floats and up to 9 bytes per pixel and ring row; every size is checked in 64
    // bits first, since a width that fits a row of pixels may not fit these.
    const std::uint64_t pixels = static_cast<std::uint64_t>(std::max(width, 1));
    if (pixels * (kRing * 49 + 3) > std::numeric_limits<std::ptrdiff_t>::max() / 2) {
      throw std::bad_alloc();
    }
    const auto n = static_cast<std::size_t>(pixels);
    for (int i = 0; i < kRing; ++i) {
      Original[i].Resize(n);
      Seen[i].Resize(n);
      Transformed[i].resize(3 * n);
      Ready[i].resize(n);
      if (draw) {
        Loss[i].resize(n);
        Grey[i].resize(n);
      }
    }
    if (!draw) return;
    Out.resize(3 * n);
    Luminance.resize(n);
    Marked.resize(std::size_t{256} * (kLevels + 1) * 3);
    for (int g = 0; g < 256; ++g) {
      for (int k = 0; k <= kLevels; ++k) {
        const int weight = kBaseWeight + k;  // of 16
        const auto mix = [&](int target) {
          return static_cast<std::uint8_t>((g * (16 - weight) + target * weight + 8) / 16);
        };
        std::uint8_t* p = &Marked[(std::size_t(g) * (kLevels + 1) + k) * 3];
        p[0] = mix(kMarker.Blue);
        p[1] = mix(kMarker.Green);
        p[2] = mix(kMarker.Red);
      }
    }
  }

  // The Lab of what the viewer sees at pixel x of ring slot `slot`.
  TLab SeenAt(int slot, int x) {
    TLabRow& seen = Seen[slot];
    if (!Ready[slot][x]) {
      SrgbRowToLab(&Transformed[slot][3 * std::size_t(x)], 1, &seen.L[x], &seen.A[x], &seen.B[x]);
      Ready[slot][x] = 1;
    }
    return seen.At(x);
  }
};

TContrastLossMap::TContrastLossMap(int width, TRowOperation transform,
                                   TContrastThresholds thresholds, bool draw)
    : Width_(std::max(width, 0)),
      Transform_(std::move(transform)),
      Thresholds_(thresholds),
      Draw_(draw),
      Rows_(std::make_unique<TRows>(Width_, draw)) {}

TContrastLossMap::~TContrastLossMap() = default;

// Compares pixel x of row `first` with pixel x + distance of row `second` (the same row: across)
// or pixel x of both (distance rows apart: down), and marks the middle pixels of each lost pair.
void TContrastLossMap::CompareRows(int first, int second, int distance) {
  TRows& rows = *Rows_;
  const int a = first % kRing;
  const int b = second % kRing;
  const bool across = first == second;
  const int step = across ? distance : 0;
  const TLabRow& one = rows.Original[a];
  const TLabRow& two = rows.Original[b];
  const float* l1 = one.L.data();
  const float* a1 = one.A.data();
  const float* b1 = one.B.data();
  const float* c1 = one.C.data();
  const float* g1 = one.Stretch.data();
  const float* l2 = two.L.data() + step;
  const float* a2 = two.A.data() + step;
  const float* b2 = two.B.data() + step;
  const float* c2 = two.C.data() + step;
  const float* g2 = two.Stretch.data() + step;
  // The middle pixels: both ends of a pair one apart, the inner two of a pair three apart.
  const int near = (distance - 1) / 2;
  float* mark1 = nullptr;
  float* mark2 = nullptr;
  if (Draw_) {
    mark1 = across ? rows.Loss[a].data() + near : rows.Loss[(first + near) % kRing].data();
    mark2 = across ? rows.Loss[a].data() + distance - near
                   : rows.Loss[(second - near) % kRing].data();
  }
  const auto visibleSquare = static_cast<float>(Thresholds_.Visible * Thresholds_.Visible);
  const double lostSquare = Thresholds_.Lost * Thresholds_.Lost;
  // The quantity a lost boundary loses at the least.
  const double leastLoss = Thresholds_.Visible - Thresholds_.Lost;
  const int count = Width_ - step;
  float margin[kScreenBlock];
  for (int start = 0; start < count; start += kScreenBlock) {
    const int n = std::min(kScreenBlock, count - start);
    // bound >= V^2, multiplied out by S^2: chromatic part >= (V^2 - lightness part) S^2.
    int any = 0;
    for (int i = 0; i < n; ++i) {
      const int x = start + i;
      const float dl = l1[x] - l2[x];
      const float da = a1[x] - a2[x];
      const float db = b1[x] - b2[x];
      const float s = 1 + kBoundChroma * (c1[x] + c2[x]);
      const float stretch = std::max(g1[x], g2[x]);
      margin[i] = kBoundChromatic * (stretch * da * da + db * db) -
                  (visibleSquare - kBoundLightness * dl * dl) * (s * s);
      any |= static_cast<int>(margin[i] >= 0);
    }
    for (int i = 0; any != 0 && i < n; ++i) {
      if (margin[i] < 0) continue;
      const int x = start + i;
      const TLab p = one.At(x);
      const TLab q = two.At(x + step);
      // The original's difference, where it is needed; -1 until then.
      double before = -1;
      if (SquareLowerBound(p, q, c1[x], c2[x]) < visibleSquare) {
        before = Ciede2000(p, q);
        if (before < Thresholds_.Visible) continue;
      }
      ++Counts_.Visible;
      const TLab seen1 = rows.SeenAt(a, x);
      const TLab seen2 = rows.SeenAt(b, x + step);
      if (SquareLowerBound(seen1, seen2, Chroma(seen1), Chroma(seen2)) >= lostSquare) continue;
      const double after = Ciede2000(seen1, seen2);
      if (after >= Thresholds_.Lost) continue;
      ++Counts_.Lost;
      if (!Draw_) continue;
      if (before < 0) before = Ciede2000(p, q);
      // Marks hold the level above the base plus one, so that 0 stays "not lost".
      const double level = (before - after - leastLoss) / kFullLoss * kLevels;
      const float mark = 1 + static_cast<float>(std::clamp(static_cast<int>(level), 0, kLevels));
      mark1[x] = std::max(mark1[x], mark);
      mark2[x] = std::max(mark2[x], mark);
    }
  }
}

void TContrastLossMap::Emit(int row, const TSink& sink) {
  ++Emitted_;
  if (!Draw_) return;
  TRows& rows = *Rows_;
  const int slot = row % kRing;
  const std::uint8_t* grey = rows.Grey[slot].data();
  const float* loss = rows.Loss[slot].data();
  std::uint8_t* out = rows.Out.data();
  for (int x = 0; x < Width_; ++x, out += 3) {
    if (loss[x] > 0) {
      const auto level = static_cast<std::size_t>(loss[x]) - 1;
      const std::uint8_t* marked = &rows.Marked[(std::size_t{grey[x]} * (kLevels + 1) + level) * 3];
      out[0] = marked[0];
      out[1] = marked[1];
      out[2] = marked[2];
    } else {
      out[0] = out[1] = out[2] = grey[x];
    }
  }
  sink(rows.Out.data());
}

void TContrastLossMap::Put(const std::uint8_t* row, const TSink& sink) {
  TRows& rows = *Rows_;
  const int y = Received_++;
  const int slot = y % kRing;
  std::uint16_t* luminance = Draw_ ? rows.Luminance.data() : nullptr;
  rows.Original[slot].Convert(row, Width_, luminance);
  std::uint8_t* transformed = rows.Transformed[slot].data();
  std::memcpy(transformed, row, std::size_t{3} * Width_);
  if (Width_ > 0) Transform_(transformed, Width_);
  std::fill(rows.Ready[slot].begin(), rows.Ready[slot].end(), std::uint8_t{0});
  if (Draw_) {
    const std::uint8_t* encode = LinearToSrgbTable();
    std::uint8_t* grey = rows.Grey[slot].data();
    for (int x = 0; x < Width_; ++x) {
      const int level = encode[luminance[x] >> kEncodeShift];
      grey[x] = static_cast<std::uint8_t>(255 - ((255 - level) * kFaintShare + 128) / 256);
    }
    std::fill(rows.Loss[slot].begin(), rows.Loss[slot].end(), 0.0f);
  }
  for (const int distance : kDistances) {
    CompareRows(y, y, distance);
    if (y >= distance) CompareRows(y - distance, y, distance);
  }
  // No later row marks rows more than two above it.
  while (Emitted_ < y - 1) Emit(Emitted_, sink);
}

void TContrastLossMap::Finish(const TSink& sink) {
  while (Emitted_ < Received_) Emit(Emitted_, sink);
}

TContrastCounts ApplyContrastLossMap(TBitmap& picture, const TRowOperation& transform,
                                     TContrastThresholds thresholds) {
  const int width = picture.Width();
  const int height = picture.Height();
  TContrastLossMap map(width, transform, thresholds);
  int next = 0;
  // A map row is two or more rows behind the row put, whose own pixels are already taken in.
  const TRowFilter::TSink sink = [&](const std::uint8_t* row) {
    std::memcpy(picture.RowData(next++), row, std::size_t{3} * width);
  };
  for (int y = 0; y < height; ++y) map.Put(picture.RowData(y), sink);
  map.Finish(sink);
  return map.Counts();
}

TContrastCounts CountContrastLoss(TBitmap& picture, const TRowOperation& transform,
                                  TContrastThresholds thresholds) {
  const TRowReader reader(picture);
  TContrastLossMap map(picture.Width(), transform, thresholds, false);
  const TRowFilter::TSink none = [](const std::uint8_t*) {};
  for (int y = 0; y < picture.Height(); ++y) map.Put(reader.Row(y), none);
  map.Finish(none);
  return map.Counts();
}
