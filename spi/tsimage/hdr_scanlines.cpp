#include "hdr_scanlines.h"

namespace {

// Reads like stb_image's context: 0 once the data is used up.
class TByteReader {
 public:
  TByteReader(const std::uint8_t* data, std::size_t size) : Data_(data), Size_(size) {}
  bool AtEnd() const { return Position_ >= Size_; }
  std::size_t Position() const { return Position_; }
  std::size_t Remaining() const { return Size_ - Position_; }
  int Next() { return Position_ < Size_ ? Data_[Position_++] : 0; }
  void Skip(std::size_t count) {
    Position_ = count < Size_ - Position_ ? Position_ + count : Size_;
  }

  // Consumes one header line up to and including its '\n' and answers whether it is empty (as
  // the decoder sees it: nothing before the '\n', a NUL first byte, or the end of the data).
  bool LineIsEmpty() {
    if (AtEnd()) return true;
    const int first = Next();
    int c = first;
    while (c != '\n' && !AtEnd()) c = Next();
    return first == '\n' || first == 0;
  }

 private:
  const std::uint8_t* Data_;
  std::size_t Size_;
  std::size_t Position_ = 0;
};

// Flat pixels are read four bytes at a time without looking whether they are there. Whenever
// the decoder turns to them it reads (again) the whole picture's worth, from the top.
bool FlatPixelsPresent(std::size_t available, int width, int height) {
  return available / 4 >= static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height);
}

}  // namespace

bool HdrScanlinesReadable(const std::uint8_t* data, std::size_t size, int width, int height) {
  TByteReader reader(data, size);
  reader.LineIsEmpty();  // the signature
  while (!reader.LineIsEmpty()) {
  }
  reader.LineIsEmpty();  // the resolution line
  // Flat (not run-length) scanlines are read for these widths.
  if (width < 8 || width >= 32768) return FlatPixelsPresent(reader.Remaining(), width, height);
  for (int row = 0; row < height; ++row) {
    const std::size_t rowStart = reader.Position();
    const int c1 = reader.Next();
    const int c2 = reader.Next();
    int length = reader.Next();
    // Not run-length encoded: the decoder takes these bytes as the first pixel and reads the
    // rest as flat pixels.
    if (c1 != 2 || c2 != 2 || (length & 0x80) != 0) {
      return FlatPixelsPresent(size - rowStart, width, height);
    }
    length = (length << 8) | reader.Next();
    if (length != width) return true;  // refused by the decoder
    for (int channel = 0; channel < 4; ++channel) {
      int done = 0;
      while (done < width) {
        int count = reader.Next();
        if (count == 0) return false;
        if (count > 128) {
          count -= 128;
          reader.Next();
        } else {
          reader.Skip(static_cast<std::size_t>(count));
        }
        if (count > width - done) return true;  // refused by the decoder
        done += count;
      }
    }
  }
  return true;
}
