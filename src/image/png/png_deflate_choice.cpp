#include "image/png/png_deflate_choice.h"

// zlib reads its input through pointers to const.
#define ZLIB_CONST
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "image/png/png_row_filter.h"
#include "rtl/exception.h"
#include "rtl/messages.h"

namespace {

// The sample: bands of rows spread over the picture, each long enough to fill deflate's 32 KB
// window twice, so that matches reach as far back as they do in the whole file. Deep search
// costs about 0.3 s per megabyte of grain: on a 12-megapixel photo the sample takes 70 to 85 ms,
// a tenth of the CPU time of the whole job it then makes 20 times faster.
constexpr int kBands = 4;
constexpr std::int64_t kBandBytes = std::int64_t{1} << 16;

// The bytes of `data` compressed at `setting` as one raw deflate stream.
std::size_t DeflatedSize(const std::vector<std::uint8_t>& data, TPngDeflateSetting setting) {
  z_stream z{};
  if (deflateInit2(&z, setting.Level, Z_DEFLATED, -15, 8, ZlibStrategy(setting.Strategy)) !=
      Z_OK) {
    throw EOutOfMemory(rtl_messages::SOutOfResources);
  }
  std::vector<std::uint8_t> out(deflateBound(&z, static_cast<uLong>(data.size())));
  z.next_in = data.data();
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  // The bound holds the whole stream, so one call ends it.
  const int result = deflate(&z, Z_FINISH);
  const std::size_t bytes = out.size() - z.avail_out;
  deflateEnd(&z);
  if (result != Z_STREAM_END) throw EOutOfMemory(rtl_messages::SOutOfResources);
  return bytes;
}

}  // namespace

TPngDeflateSetting DeflateSettingFor(const TRowReader& reader,
                                     const TPngColourReduction& reduction) {
  const TPngLayout& layout = reduction.Layout();
  const std::int64_t filteredBytes = layout.RowBytes() + 1;
  if (layout.Height <= kBands * kBandBytes / filteredBytes) return kDeepDeflate;

  const int rowsPerBand = static_cast<int>(std::clamp<std::int64_t>(
      (kBandBytes + filteredBytes - 1) / filteredBytes, 1, std::max(1, layout.Height / kBands)));
  std::vector<std::uint8_t> raw(static_cast<std::size_t>(layout.RowBytes()));
  std::vector<std::uint8_t> sample;
  sample.reserve(static_cast<std::size_t>(kBands * kBandBytes));
  for (int band = 0; band < kBands; ++band) {
    // Spread evenly: the bands start at 1/8, 3/8, 5/8 and 7/8 of the rows a band can start at.
    const int top = static_cast<int>(std::int64_t{layout.Height - rowsPerBand} * (2 * band + 1) /
                                     (2 * kBands));
    TPngRowFilter filter(layout);
    // The row above primes the filter, so that the band's first row is filtered as in the file.
    if (top > 0) {
      reduction.PackRow(reader.Row(top - 1), raw.data());
      filter.Filter(raw.data());
    }
    std::int64_t left = kBandBytes;
    for (int y = top; y < top + rowsPerBand && left > 0; ++y) {
      reduction.PackRow(reader.Row(y), raw.data());
      const std::uint8_t* filtered = filter.Filter(raw.data());
      // A row wider than the band gives its start only.
      const std::int64_t take = std::min(filteredBytes, left);
      sample.insert(sample.end(), filtered, filtered + take);
      left -= take;
    }
  }
  // In whole numbers, so that every build decides alike.
  const std::size_t deep = DeflatedSize(sample, kDeepDeflate);
  const std::size_t fast = DeflatedSize(sample, kFastDeflate);
  return fast * 100 <= deep * (100 + kFastMarginPercent) ? kFastDeflate : kDeepDeflate;
}
