#include "image/colour/contrast_loss.h"

#include <algorithm>
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

// The background: the original's luminance, encoded, then brought towards white so that only
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

// The luminance of linear light in 15 fraction bits (0.2126, 0.7152, 0.0722, summing to one).
constexpr std::int32_t kLuminance[3] = {6966, 23436, 2366};

// ΔE00 is never above sqrt(ΔL*^2 + 4.2 Δa*^2 + 1.87 Δb*^2): each of S_L, S_C, S_H is at least
// 1, a' stretches a* by at most 1.5, and the rotation term adds at most sin 60° of the chroma
// and hue terms. A pair whose bound lies below the visible threshold is no visible boundary, and
// its ΔE00 is never computed: the common case in flat and smooth areas. The bound's factors are
// rounded up well beyond float rounding, so the shortcut never changes a result.
inline float DifferenceBound(const float* p, const float* q) {
  const float l = p[0] - q[0];
  const float a = p[1] - q[1];
  const float b = p[2] - q[2];
  return 1.001f * l * l + 4.25f * a * a + 1.9f * b * b;
}

inline double Difference(const float* p, const float* q) {
  return Ciede2000({p[0], p[1], p[2]}, {q[0], q[1], q[2]});
}

}  // namespace

struct TContrastLossMap::TRows {
  std::vector<float> Original[kRing];  // Lab per pixel, three floats
  std::vector<float> Seen[kRing];
  std::vector<float> Loss[kRing];  // the largest loss of a lost boundary over each pixel; 0: none
  std::vector<std::uint8_t> Grey[kRing];  // the faint grey background
  std::vector<std::uint8_t> Scratch;      // the transformed copy of a row, then a map row
  // The map pixel (blue, green, red) for background grey g at marker level k: [(g * (kLevels +
  // 1) + k) * 3].
  std::vector<std::uint8_t> Marked;

  TRows(int width, bool draw) {
    // 28 bytes of floats and one or two bytes per pixel and row; every size is checked in 64
    // bits first, since a width that fits a row of pixels may not fit these.
    const std::uint64_t pixels = static_cast<std::uint64_t>(std::max(width, 1));
    if (pixels * (kRing * 29 + 3) > std::numeric_limits<std::ptrdiff_t>::max() / 2) {
      throw std::bad_alloc();
    }
    const auto n = static_cast<std::size_t>(pixels);
    for (int i = 0; i < kRing; ++i) {
      Original[i].resize(3 * n);
      Seen[i].resize(3 * n);
      if (draw) {
        Loss[i].resize(n);
        Grey[i].resize(n);
      }
    }
    Scratch.resize(3 * n);
    if (!draw) return;
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
  const float* original1 = rows.Original[a].data();
  const float* original2 = rows.Original[b].data() + 3 * step;
  const float* seen1 = rows.Seen[a].data();
  const float* seen2 = rows.Seen[b].data() + 3 * step;
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
  // The quantity a lost boundary loses at the least.
  const double leastLoss = Thresholds_.Visible - Thresholds_.Lost;
  const int count = Width_ - step;
  for (int x = 0; x < count; ++x) {
    const int i = 3 * x;
    if (DifferenceBound(original1 + i, original2 + i) < visibleSquare) continue;
    const double before = Difference(original1 + i, original2 + i);
    if (before < Thresholds_.Visible) continue;
    ++Counts_.Visible;
    const double after = Difference(seen1 + i, seen2 + i);
    if (after >= Thresholds_.Lost) continue;
    ++Counts_.Lost;
    if (!Draw_) continue;
    // Marks hold the level above the base plus one, so that 0 stays "not lost".
    const double level = (before - after - leastLoss) / kFullLoss * kLevels;
    const float mark = 1 + static_cast<float>(std::clamp(static_cast<int>(level), 0, kLevels));
    mark1[x] = std::max(mark1[x], mark);
    mark2[x] = std::max(mark2[x], mark);
  }
}

void TContrastLossMap::Emit(int row, const TSink& sink) {
  ++Emitted_;
  if (!Draw_) return;
  TRows& rows = *Rows_;
  const int slot = row % kRing;
  const std::uint8_t* grey = rows.Grey[slot].data();
  const float* loss = rows.Loss[slot].data();
  std::uint8_t* out = rows.Scratch.data();
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
  sink(rows.Scratch.data());
}

void TContrastLossMap::Put(const std::uint8_t* row, const TSink& sink) {
  TRows& rows = *Rows_;
  const int y = Received_++;
  const int slot = y % kRing;
  SrgbRowToLab(row, Width_, rows.Original[slot].data());
  std::memcpy(rows.Scratch.data(), row, std::size_t{3} * Width_);
  if (Width_ > 0) Transform_(rows.Scratch.data(), Width_);
  SrgbRowToLab(rows.Scratch.data(), Width_, rows.Seen[slot].data());
  if (Draw_) {
    const std::uint16_t* linear = SrgbToLinearTable();
    std::uint8_t* grey = rows.Grey[slot].data();
    for (int x = 0; x < Width_; ++x) {
      const std::uint8_t* p = row + 3 * x;
      const std::int32_t y15 = kLuminance[0] * linear[p[2]] + kLuminance[1] * linear[p[1]] +
                               kLuminance[2] * linear[p[0]];
      const int level = LinearToSrgb((y15 + (1 << 14)) >> 15);
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
