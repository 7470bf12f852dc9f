#include "image/png/png_encoder.h"

#include <zlib.h>

#include <cstring>
#include <limits>
#include <vector>

#include "rtl/exception.h"

namespace {

void PutBigEndian(std::vector<std::uint8_t>& to, std::uint32_t value) {
  for (const int shift : {24, 16, 8, 0}) to.push_back(static_cast<std::uint8_t>(value >> shift));
}

// A chunk of `type` holding `data`, its CRC over type and data.
void WriteChunk(TStream& stream, const char (&type)[5], const std::vector<std::uint8_t>& data) {
  std::vector<std::uint8_t> chunk;
  chunk.reserve(data.size() + 12);
  PutBigEndian(chunk, static_cast<std::uint32_t>(data.size()));
  chunk.insert(chunk.end(), type, type + 4);
  chunk.insert(chunk.end(), data.begin(), data.end());
  PutBigEndian(chunk, static_cast<std::uint32_t>(
                          crc32(0, chunk.data() + 4, static_cast<uInt>(chunk.size() - 4))));
  stream.WriteBuffer(chunk.data(), static_cast<std::int64_t>(chunk.size()));
}

const TPngLayout& Checked(const TPngLayout& layout) {
  if (layout.Width <= 0 || layout.Height <= 0) {
    throw EInvalidGraphic("a picture without pixels cannot be stored as PNG");
  }
  return layout;
}

}  // namespace

TPngEncoder::TPngEncoder(TStream& stream, const TPngLayout& layout,
                         const TPngCompression& compression)
    : Stream_(stream),
      Height_(Checked(layout).Height),
      Filter_(layout),
      Idat_(stream, compression) {
  static constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  Stream_.WriteBuffer(kSignature, sizeof kSignature);
  std::vector<std::uint8_t> header;
  PutBigEndian(header, static_cast<std::uint32_t>(layout.Width));
  PutBigEndian(header, static_cast<std::uint32_t>(layout.Height));
  // Bit depth, colour type; deflate, adaptive filtering, no interlace.
  header.insert(header.end(), {static_cast<std::uint8_t>(layout.BitDepth),
                               static_cast<std::uint8_t>(layout.ColourType), 0, 0, 0});
  WriteChunk(Stream_, "IHDR", header);
  if (layout.ColourType == TPngColourType::pcPalette) {
    std::vector<std::uint8_t> palette;
    for (const auto& entry : layout.Palette)
      palette.insert(palette.end(), entry.begin(), entry.end());
    WriteChunk(Stream_, "PLTE", palette);
  }
}

void TPngEncoder::WriteRow(const std::uint8_t* raw) {
  if (Rows_ == Height_) throw EInvalidGraphic("the PNG file has more rows than its header");
  ++Rows_;
  Idat_.Write(Filter_.Filter(raw), Filter_.FilteredBytes());
}

void TPngEncoder::Finish() {
  // Fewer rows than the header promised would make a file no reader takes.
  if (Rows_ != Height_) throw EInvalidGraphic("the PNG file lacks rows");
  Idat_.Finish();
  WriteChunk(Stream_, "IEND", {});
}
