// Scaling a picture down by averaging areas in linear light: every target pixel is the mean of
// the source area it covers, each source pixel weighted by the share of it that lies inside,
// averaged after sRGB decoding and encoded again. Unlike averaging the stored levels, this keeps
// the brightness of fine patterns. Integer arithmetic throughout, so every build gives the same
// bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

class TBitmap;

// One scaling, fed the source's rows from the top. Its working memory is in proportion to the
// target alone: where a source pixel falls is worked out as the rows and columns go by, so a
// picture of a hundred million rows of one pixel costs what a small one costs.
class TLinearDownscale {
 public:
  // A scaling of a `sourceWidth` x `sourceHeight` picture to `width` x `height` (each from 1 up
  // to the source's size in that direction).
  TLinearDownscale(int sourceWidth, int sourceHeight, int width, int height);

  // Adds the next source row, from the top: sourceWidth pixels of blue, green and red. Exactly
  // sourceHeight rows are added before Result.
  void AddRow(const std::uint8_t* row);

  // The scaled picture, a new 24-bit one owned by the caller.
  std::unique_ptr<TBitmap> Result() const;

  // The bytes of working memory this scaling holds.
  std::size_t WorkingBytes() const;

 private:
  int SourceWidth_;
  int SourceHeight_;
  int Width_;
  int Height_;
  int Added_ = 0;  // source rows added so far
  // Sums of linear values times the area they cover, per target channel, all target rows.
  std::vector<std::uint64_t> Sums_;
  // One source row, summed across into target columns; a spare pixel for the last straddle.
  std::vector<std::uint64_t> Across_;
};

// A new 24-bit picture of `width` x `height` pixels (each from 1 up to the source's size in that
// direction) made from `source`, which must be in the 24-bit layout and is only read (a shared
// image is not copied). The caller owns the result.
std::unique_ptr<TBitmap> ScaleDownLinear(TBitmap& source, int width, int height);
