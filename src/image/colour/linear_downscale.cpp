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

std::vector<TSpan> Spans(int source, int target) {
  std::vector<TSpan> spans(static_cast<std::size_t>(source));
  for (int i = 0; i < source; ++i) {
    const std::int64_t start = std::int64_t{i} * target;
    const auto first = static_cast<int>(start / source);
    const std::int64_t end =
        std::min<std::int64_t>((std::int64_t{first} + 1) * source, start + target);
    spans[i] = {first, end - start};
  }
  return spans;
}

}  // namespace

std::unique_ptr<TBitmap> ScaleDownLinear(TBitmap& source, int width, int height) {
  const int sourceWidth = source.Width();
  const int sourceHeight = source.Height();
  const std::vector<TSpan> columns = Spans(sourceWidth, width);
  const std::vector<TSpan> rows = Spans(sourceHeight, height);
  const std::uint16_t* linear = SrgbToLinearTable();
  const TRowReader reader(source);

  // Sums of linear values times the area they cover, per target channel. A sum is at most
  // kLinearOne times the source's pixel count (below 2^31), so 64 bits never overflow.
  const std::size_t rowSums = std::size_t{3} * width;
  std::vector<std::uint64_t> sums(rowSums * height, 0);
  std::vector<std::uint64_t> across(rowSums + 3);  // one source row, summed across; a spare pixel
  for (int y = 0; y < sourceHeight; ++y) {
    std::fill(across.begin(), across.end(), 0);
    const std::uint8_t* p = reader.Row(y);
    for (int x = 0; x < sourceWidth; ++x, p += 3) {
      const TSpan& span = columns[x];
      std::uint64_t* at = across.data() + 3 * std::size_t(span.First);
      const auto rest = static_cast<std::uint64_t>(width - span.Weight);
      for (int c = 0; c < 3; ++c) {
        const std::uint64_t value = linear[p[c]];
        at[c] += value * static_cast<std::uint64_t>(span.Weight);
        at[c + 3] += value * rest;
      }
    }
    const TSpan& span = rows[y];
    std::uint64_t* top = sums.data() + rowSums * std::size_t(span.First);
    const auto weight = static_cast<std::uint64_t>(span.Weight);
    const auto rest = static_cast<std::uint64_t>(height - span.Weight);
    const bool straddles = rest > 0 && span.First + 1 < height;
    for (std::size_t i = 0; i < rowSums; ++i) {
      top[i] += across[i] * weight;
      if (straddles) top[i + rowSums] += across[i] * rest;
    }
  }

  std::unique_ptr<TBitmap> result = NewPicture24(width, height);
  // Every target pixel covers sourceWidth * sourceHeight units of area.
  const std::uint64_t area = std::uint64_t(sourceWidth) * std::uint64_t(sourceHeight);
  for (int y = 0; y < height; ++y) {
    std::uint8_t* q = result->RowData(y);
    const std::uint64_t* sum = sums.data() + rowSums * std::size_t(y);
    for (std::size_t i = 0; i < rowSums; ++i) {
      q[i] = LinearToSrgb(static_cast<int>((sum[i] + area / 2) / area));
    }
  }
  return result;
}
