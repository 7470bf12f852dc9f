#include "image/bmp/rle_decoder.h"

#include <algorithm>

namespace {

// Escape codes that follow a zero count.
constexpr std::uint8_t kEndOfLine = 0;
constexpr std::uint8_t kEndOfBitmap = 1;
constexpr std::uint8_t kDelta = 2;

// The decoding position: a column and a row of the target, plus the source cursor. The column
// is kept at most `Width`, so that long runs and large deltas cannot overflow it.
class TRleCursor {
 public:
  TRleCursor(std::span<const std::uint8_t> source, std::span<const std::uint32_t, 256> colours,
             const TRleTarget& target)
      : Source_(source), Colours_(colours), Target_(target) {}

  std::size_t Remaining() const { return Source_.size() - Next_; }
  bool HasBytes(std::size_t count) const { return Remaining() >= count; }
  std::uint8_t Take() { return Source_[Next_++]; }
  const std::uint8_t* Peek() const { return Source_.data() + Next_; }
  void Skip(std::size_t count) { Next_ += count; }

  bool RowsLeft() const { return Row_ < Target_.Height; }
  void NextLine() {
    Column_ = 0;
    ++Row_;
  }
  void Move(std::uint8_t right, std::uint8_t down) {
    Column_ = std::min<std::int32_t>(Column_ + right, Target_.Width);
    Row_ += down;
  }

  // Writes `count` pixels of the colour pair (`first`, `second`) alternating, as both
  // encodings' runs do (the 8-bit one passes the same index twice).
  void Run(std::uint8_t count, std::uint8_t first, std::uint8_t second) {
    const std::int32_t n = Clip(count);
    std::uint32_t* out = RowPixels() + Column_;
    const std::uint32_t a = Colours_[first];
    const std::uint32_t b = Colours_[second];
    if (a == b) {
      std::fill_n(out, n, a);
    } else {
      for (std::int32_t i = 0; i < n; ++i) out[i] = (i & 1) ? b : a;
    }
    Column_ = std::min<std::int32_t>(Column_ + count, Target_.Width);
  }

  // Writes `count` pixels whose indices are the bytes at `indices` (8-bit encoding).
  void Bytes(const std::uint8_t* indices, std::int32_t count) {
    const std::int32_t n = Clip(count);
    std::uint32_t* out = RowPixels() + Column_;
    for (std::int32_t i = 0; i < n; ++i) out[i] = Colours_[indices[i]];
    Column_ = std::min<std::int32_t>(Column_ + count, Target_.Width);
  }

  // Writes `count` pixels whose indices are the nibbles at `indices`, high nibble first
  // (4-bit encoding).
  void Nibbles(const std::uint8_t* indices, std::int32_t count) {
    const std::int32_t n = Clip(count);
    std::uint32_t* out = RowPixels() + Column_;
    for (std::int32_t i = 0; i < n; ++i) {
      const std::uint8_t pair = indices[i / 2];
      out[i] = Colours_[(i & 1) ? (pair & 0x0F) : (pair >> 4)];
    }
    Column_ = std::min<std::int32_t>(Column_ + count, Target_.Width);
  }

 private:
  // How many of `count` pixels from the current column still fall inside the row.
  std::int32_t Clip(std::int32_t count) const {
    return std::max<std::int32_t>(0, std::min(count, Target_.Width - Column_));
  }
  std::uint32_t* RowPixels() const {
    return reinterpret_cast<std::uint32_t*>(Target_.Pixels + Row_ * Target_.Stride);
  }

  std::span<const std::uint8_t> Source_;
  std::span<const std::uint32_t, 256> Colours_;
  const TRleTarget& Target_;
  std::size_t Next_ = 0;
  std::int32_t Column_ = 0;
  std::int64_t Row_ = 0;
};

// Absolute mode: `count` literal pixels, the literal bytes padded to a 16-bit boundary.
// Returns false when the source ends inside them; the pixels present are still drawn.
bool Absolute(TRleEncoding encoding, TRleCursor& cursor, std::uint8_t count) {
  std::size_t bytes = 0;
  switch (encoding) {
    case TRleEncoding::reRle8: bytes = count; break;
    case TRleEncoding::reRle4: bytes = (count + 1u) / 2u; break;
  }
  const std::size_t padded = bytes + (bytes & 1u);
  if (!cursor.HasBytes(bytes)) {
    // Draw the literal pixels that the source still holds, then stop.
    const std::size_t present = cursor.Remaining();
    switch (encoding) {
      case TRleEncoding::reRle8:
        cursor.Bytes(cursor.Peek(), static_cast<std::int32_t>(present));
        break;
      case TRleEncoding::reRle4:
        cursor.Nibbles(cursor.Peek(), static_cast<std::int32_t>(present * 2));
        break;
    }
    cursor.Skip(present);
    return false;
  }
  switch (encoding) {
    case TRleEncoding::reRle8: cursor.Bytes(cursor.Peek(), count); break;
    case TRleEncoding::reRle4: cursor.Nibbles(cursor.Peek(), count); break;
  }
  // A missing pad byte at the very end is no loss: nothing follows it.
  cursor.Skip(cursor.HasBytes(padded) ? padded : bytes);
  return true;
}

}  // namespace

void DecodeRle(TRleEncoding encoding, std::span<const std::uint8_t> source,
                  std::span<const std::uint32_t, 256> colours, const TRleTarget& target) {
  if (target.Width <= 0 || target.Height <= 0) return;
  TRleCursor cursor(source, colours, target);
  while (cursor.RowsLeft()) {
    if (!cursor.HasBytes(2)) return;
    const std::uint8_t count = cursor.Take();
    const std::uint8_t value = cursor.Take();
    if (count != 0) {
      switch (encoding) {
        case TRleEncoding::reRle8: cursor.Run(count, value, value); break;
        case TRleEncoding::reRle4:
          cursor.Run(count, static_cast<std::uint8_t>(value >> 4),
                     static_cast<std::uint8_t>(value & 0x0F));
          break;
      }
      continue;
    }
    switch (value) {
      case kEndOfLine: cursor.NextLine(); break;
      case kEndOfBitmap: return;
      case kDelta: {
        if (!cursor.HasBytes(2)) return;
        const std::uint8_t right = cursor.Take();
        const std::uint8_t down = cursor.Take();
        cursor.Move(right, down);
        break;
      }
      default:
        if (!Absolute(encoding, cursor, value)) return;
        break;
    }
  }
}
