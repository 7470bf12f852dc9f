#include "image/bmp/bmp_stream_analysis.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <span>
#include <vector>

#include "image/bmp/bmp_row_reader.h"
#include "image/raster/pixel_format.h"
#include "image/raster/raster_bitmap.h"
#include "rtl/stream.h"

namespace {

constexpr std::uint16_t kTrueColourBits = 24;

std::int64_t RowsOf(const TBitmapInfoHeader& h) {
  return h.biHeight < 0 ? -std::int64_t{h.biHeight} : h.biHeight;
}

// The colours the loaded picture keeps: as many entries as its depth can index (the section's
// table), or the optional table of a deeper picture (its palette).
std::span<const TRGBQuad> KeptColours(const TBmpPrologue& prologue) {
  const std::uint16_t bits = prologue.Header.biBitCount;
  const std::size_t limit = bits <= 8 ? std::size_t{1} << bits : prologue.Colours.size();
  return std::span(prologue.Colours).first(std::min(limit, prologue.Colours.size()));
}

// Collects output rows and writes them a block at a time.
class TBlockWriter {
 public:
  TBlockWriter(TStream& output, std::int64_t rowLength)
      : Output_(output),
        RowLength_(rowLength),
        Block_(static_cast<std::size_t>(
            std::max<std::int64_t>(TBmpRowReader::kBlockBytes / rowLength, 1) * rowLength)) {}

  // The next row to fill, zeroed (its padding is written as 0).
  std::uint8_t* NextRow() {
    if (Used_ == static_cast<std::int64_t>(Block_.size())) Flush();
    std::uint8_t* row = Block_.data() + Used_;
    std::fill_n(row, RowLength_, std::uint8_t{0});
    Used_ += RowLength_;
    return row;
  }
  void Flush() {
    Output_.WriteBuffer(Block_.data(), Used_);
    Used_ = 0;
  }

 private:
  TStream& Output_;
  std::int64_t RowLength_;
  std::vector<std::uint8_t> Block_;
  std::int64_t Used_ = 0;
};

}  // namespace

bool RowRoadTakes(const TBmpPrologue& prologue) {
  const TBitmapInfoHeader& h = prologue.Header;
  const bool bitFields =
      h.biCompression == BI_BITFIELDS && (h.biBitCount == 16 || h.biBitCount == 32);
  if (!IsDIBBitCount(h.biBitCount) || !(h.biCompression == BI_RGB || bitFields)) return false;
  // A picture whose 24-bit form no bitmap may hold is refused by the change of depth; the
  // whole-picture road says so. The row is checked first, so the product cannot overflow.
  const std::int64_t row = DIBRowLength(h.biWidth, kTrueColourBits);
  return row <= kMaxPixelMemory && row * RowsOf(h) <= kMaxPixelMemory;
}

TBmpImage AnalysedBmpImage(const TBmpPrologue& prologue) {
  const TBitmapInfoHeader& source = prologue.Header;
  TDIBSection description{};
  TBitmapInfoHeader& h = description.dsBmih;
  if (source.biBitCount == kTrueColourBits) {
    h = source;
  } else {
    // The new picture of a change of depth: the size alone, bottom-up.
    h.biWidth = source.biWidth;
    h.biHeight = static_cast<std::int32_t>(RowsOf(source));
    h.biBitCount = kTrueColourBits;
    h.biCompression = BI_RGB;
  }
  h.biSize = kBmpInfoHeaderSize;
  h.biPlanes = 1;
  h.biSizeImage = static_cast<std::uint32_t>(DIBRowLength(h.biWidth, h.biBitCount) * RowsOf(h));
  return StoredBmpImage(description, KeptColours(prologue), prologue.FromCoreHeader);
}

void AnalyseBmpRows(TStream& input, const TBmpPrologue& prologue, TStream& output,
                    const TRowOperation& operation) {
  const TBmpImage stored = AnalysedBmpImage(prologue);
  WriteBmpHeaders(output, stored);
  const TBitmapInfoHeader& source = prologue.Header;
  const int width = source.biWidth;

  if (source.biBitCount == kTrueColourBits) {
    // Same layout and order: each block is rewritten where it was read and written as it is.
    TBmpRowReader reader(input, prologue, false);
    for (TBmpRowBlock block = reader.NextBlock(); block.Count != 0; block = reader.NextBlock()) {
      for (int i = 0; i < block.Count; ++i) operation(block.Rows + i * reader.RowLength(), width);
      output.WriteBuffer(block.Rows, block.Count * reader.RowLength());
    }
    return;
  }

  // The result is bottom-up: the file's last row first when the source is top-down.
  const bool backToFront = source.biHeight < 0;
  TBmpRowReader reader(input, prologue, backToFront);
  TRowConversion conversion(RowLayoutOf(source, prologue.Masks.data(), KeptColours(prologue)),
                            RowLayoutOf(stored.Header, nullptr, {}), width);
  TBlockWriter writer(output, DIBRowLength(width, kTrueColourBits));
  for (TBmpRowBlock block = reader.NextBlock(); block.Count != 0; block = reader.NextBlock()) {
    for (int i = 0; i < block.Count; ++i) {
      const int index = backToFront ? block.Count - 1 - i : i;
      std::uint8_t* row = writer.NextRow();
      conversion.Convert(block.Rows + index * reader.RowLength(), row);
      operation(row, width);
    }
  }
  writer.Flush();
}

void FilterBmpRows(TStream& input, const TBmpPrologue& prologue, TStream& output,
                   TRowFilter& filter) {
  const TBmpImage stored = AnalysedBmpImage(prologue);
  WriteBmpHeaders(output, stored);
  const TBitmapInfoHeader& source = prologue.Header;
  const int width = source.biWidth;
  const std::int64_t rowLength = DIBRowLength(width, kTrueColourBits);
  const bool trueColour = source.biBitCount == kTrueColourBits;
  // As above: a 24-bit source keeps its order of rows; any other becomes bottom-up.
  const bool backToFront = !trueColour && source.biHeight < 0;
  TBmpRowReader reader(input, prologue, backToFront);
  std::optional<TRowConversion> conversion;
  std::vector<std::uint8_t> converted;
  if (!trueColour) {
    conversion.emplace(RowLayoutOf(source, prologue.Masks.data(), KeptColours(prologue)),
                       RowLayoutOf(stored.Header, nullptr, {}), width);
    converted.resize(static_cast<std::size_t>(rowLength));
  }
  TBlockWriter writer(output, rowLength);
  const TRowFilter::TSink sink = [&](const std::uint8_t* row) {
    std::memcpy(writer.NextRow(), row, std::size_t{3} * static_cast<std::size_t>(width));
  };
  for (TBmpRowBlock block = reader.NextBlock(); block.Count != 0; block = reader.NextBlock()) {
    for (int i = 0; i < block.Count; ++i) {
      const int index = backToFront ? block.Count - 1 - i : i;
      const std::uint8_t* row = block.Rows + index * reader.RowLength();
      if (conversion) {
        conversion->Convert(row, converted.data());
        row = converted.data();
      }
      filter.Put(row, sink);
    }
  }
  filter.Finish(sink);
  writer.Flush();
}
