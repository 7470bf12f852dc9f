#include "image/bmp/bmp_row_reader.h"

#include <algorithm>
#include <cstring>

#include "rtl/stream.h"

TBmpRowReader::TBmpRowReader(TStream& stream, const TBmpPrologue& prologue, bool backToFront)
    : Stream_(stream),
      Start_(stream.Position()),
      RowLength_(DIBRowLength(prologue.Header.biWidth, prologue.Header.biBitCount)),
      Rows_(prologue.Header.biHeight < 0 ? -std::int64_t{prologue.Header.biHeight}
                                         : prologue.Header.biHeight),
      PixelBytes_(prologue.PixelBytes),
      BackToFront_(backToFront) {
  // ReadBmpPrologue has bounded the pixel memory, so one row (the block's least) fits in memory.
  const std::int64_t rows = std::clamp<std::int64_t>(kBlockBytes / RowLength_, 1, Rows_);
  Block_.resize(static_cast<std::size_t>(rows * RowLength_));
}

TBmpRowBlock TBmpRowReader::NextBlock() {
  const std::int64_t blockRows = static_cast<std::int64_t>(Block_.size()) / RowLength_;
  const std::int64_t count = std::min(blockRows, Rows_ - Next_);
  if (count <= 0) return {};
  // The first file row of the block.
  const std::int64_t first = BackToFront_ ? Rows_ - Next_ - count : Next_;
  const std::int64_t offset = first * RowLength_;
  const std::int64_t bytes = count * RowLength_;
  const std::int64_t present = std::clamp<std::int64_t>(PixelBytes_ - offset, 0, bytes);
  if (BackToFront_ && present > 0) Stream_.SetPosition(Start_ + offset);
  Stream_.ReadBuffer(Block_.data(), present);
  std::memset(Block_.data() + present, 0, static_cast<std::size_t>(bytes - present));
  Next_ += count;
  return {Block_.data(), static_cast<int>(count)};
}
