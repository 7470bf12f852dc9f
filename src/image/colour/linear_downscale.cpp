#include "image/colour/linear_downscale.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "image/bitmap.h"
#include "image/blank_picture.h"
#include "image/colour/row_reader.h"
#include "image/colour/srgb_transfer.h"
#include "image/raster/dib.h"
#include "image/raster/raster_bitmap.h"

namespace {

// Where one source pixel goes along one direction. Measured in units of 1 / target size of the
// source and 1 / source size of the target, pixel i of the source covers [i * target, (i + 1) *
// target) and pixel j of the target [j * source, (j + 1) * source). A target pixel is at least as
// wide as a source pixel, so a source pixel falls into one target pixel or straddles two.
struct TSpan {
  int First;            // the target pixel it starts in
  std::int64_t Weight;  // the length inside First; the rest (target - Weight) goes to First + 1
};

// The span of source pixel i.
TSpan SpanOf(std::int64_t i, int source, int target) {
  const std::int64_t start = i * target;
  const auto first = static_cast<int>(start / source);
  const std::int64_t end = std::min<std::int64_t>((std::int64_t{first} + 1) * source, start + target);
  return {first, end - start};
}

// The spans of the source pixels of one direction, in order, each worked out from the one
// before, as SpanOf gives them but without a division per pixel, and without a table as long
// as the source (which, for a picture of one pixel by a hundred million, would outweigh it).
class TSpanWalk {
 public:
  TSpanWalk(int source, int target) : Source_(source), Target_(target), End_(source) {}

  TSpan Next() {
    // A source pixel is no wider than a target pixel, so the start moves on by one target pixel
    // at most.
    if (Start_ >= End_) {
      ++First_;
      End_ += Source_;
    }
    const TSpan span{First_, std::min(End_, Start_ + Target_) - Start_};
    Start_ += Target_;
    return span;
  }

 private:
  std::int64_t Source_;
  std::int64_t Target_;
  std::int64_t Start_ = 0;  // of the next source pixel
  int First_ = 0;           // the target pixel that Start_ lay in last
  std::int64_t End_;        // the end of target pixel First_
};

}  // namespace

TLinearDownscale::TLinearDownscale(int sourceWidth, int sourceHeight, int width, int height)
    : SourceWidth_(sourceWidth),
      SourceHeight_(sourceHeight),
      Width_(width),
      Height_(height),
      // A sum is at most kLinearOne times the source's pixel count (below 2^31), so 64 bits
      // never overflow.
      Sums_(std::size_t{3} * width * height, 0),
      Across_(std::size_t{3} * width + 3) {}

std::size_t TLinearDownscale::WorkingBytes() const {
  return (Sums_.capacity() + Across_.capacity()) * sizeof(std::uint64_t);
}

void TLinearDownscale::AddRow(const std::uint8_t* p) {
  const std::uint16_t* linear = SrgbToLinearTable();
  std::fill(Across_.begin(), Across_.end(), 0);
  TSpanWalk columns(SourceWidth_, Width_);
  for (int x = 0; x < SourceWidth_; ++x, p += 3) {
    const TSpan span = columns.Next();
    std::uint64_t* at = Across_.data() + 3 * std::size_t(span.First);
    const auto rest = static_cast<std::uint64_t>(Width_ - span.Weight);
    for (int c = 0; c < 3; ++c) {
      const std::uint64_t value = linear[p[c]];
      at[c] += value * static_cast<std::uint64_t>(span.Weight);
      at[c + 3] += value * rest;
    }
  }
  // One division a row costs nothing beside the row's pixels.
  const TSpan span = SpanOf(Added_++, SourceHeight_, Height_);
  const std::size_t rowSums = std::size_t{3} * Width_;
  std::uint64_t* top = Sums_.data() + rowSums * std::size_t(span.First);
  const auto weight = static_cast<std::uint64_t>(span.Weight);
  const auto rest = static_cast<std::uint64_t>(Height_ - span.Weight);
  const bool straddles = rest > 0 && span.First + 1 < Height_;
  for (std::size_t i = 0; i < rowSums; ++i) {
    top[i] += Across_[i] * weight;
    if (straddles) top[i + rowSums] += Across_[i] * rest;
  }
}

std::unique_ptr<TBitmap> TLinearDownscale::Result() const {
  std::unique_ptr<TBitmap> result = NewPicture24(Width_, Height_);
  // Every target pixel covers sourceWidth * sourceHeight units of area.
  const std::uint64_t area = std::uint64_t(SourceWidth_) * std::uint64_t(SourceHeight_);
  const std::size_t rowSums = std::size_t{3} * Width_;
  for (int y = 0; y < Height_; ++y) {
    std::uint8_t* q = result->RowData(y);
    const std::uint64_t* sum = Sums_.data() + rowSums * std::size_t(y);
    for (std::size_t i = 0; i < rowSums; ++i) {
      q[i] = LinearToSrgb(static_cast<int>((sum[i] + area / 2) / area));
    }
  }
  return result;
}

std::unique_ptr<TBitmap> ScaleDownLinear(TBitmap& source, int width, int height) {
  TLinearDownscale scaling(source.Width(), source.Height(), width, height);
  const TRowReader reader(source);
  for (int y = 0; y < source.Height(); ++y) scaling.AddRow(reader.Row(y));
  return scaling.Result();
}
