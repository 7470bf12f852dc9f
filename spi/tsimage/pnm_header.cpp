#include "pnm_header.h"

namespace {

// Reads like stb_image's context: 0 once the data is used up.
class TByteReader {
 public:
  TByteReader(const std::uint8_t* data, std::size_t size) : Data_(data), Size_(size) {}
  bool AtEnd() const { return Position_ >= Size_; }
  char Next() { return Position_ < Size_ ? static_cast<char>(Data_[Position_++]) : '\0'; }
  std::size_t Position() const { return Position_; }

 private:
  const std::uint8_t* Data_;
  std::size_t Size_;
  std::size_t Position_ = 0;
};

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Whitespace and '#' comments up to the end of their line; `c` is the character in hand.
void SkipWhitespace(TByteReader& reader, char& c) {
  for (;;) {
    while (!reader.AtEnd() && IsSpace(c)) c = reader.Next();
    if (reader.AtEnd() || c != '#') break;
    while (!reader.AtEnd() && c != '\n' && c != '\r') c = reader.Next();
  }
}

// The digits from `c` on; the character after them is left in `c`. Stops growing past any value
// that matters, where the decoder's own arithmetic would overflow.
long long ReadInteger(TByteReader& reader, char& c) {
  long long value = 0;
  while (!reader.AtEnd() && c >= '0' && c <= '9') {
    if (value < (1LL << 40)) value = value * 10 + (c - '0');
    c = reader.Next();
  }
  return value;
}

}  // namespace

bool ReadPnmHeader(const std::uint8_t* data, std::size_t size, TPnmHeader& header) {
  TByteReader reader(data, size);
  const char p = reader.Next();
  const char kind = reader.Next();
  if (p != 'P' || (kind != '5' && kind != '6')) return false;
  char c = reader.Next();
  SkipWhitespace(reader, c);
  ReadInteger(reader, c);  // width
  SkipWhitespace(reader, c);
  ReadInteger(reader, c);  // height
  SkipWhitespace(reader, c);
  const long long maxValue = ReadInteger(reader, c);
  if (maxValue > 65535) return false;
  // The character that ended the maximum value has been read: the samples follow it.
  header.SamplesOffset = reader.Position();
  header.Channels = kind == '6' ? 3 : 1;
  header.SampleSize = maxValue > 255 ? 2 : 1;
  return true;
}
