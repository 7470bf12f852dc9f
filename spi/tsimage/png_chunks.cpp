#include "png_chunks.h"

namespace {

constexpr std::size_t kSignatureSize = 8;
constexpr std::size_t kChunkHeadSize = 8;  // length and type
constexpr std::size_t kChunkCrcSize = 4;

std::uint32_t GetBig32(const std::uint8_t* at) {
  return static_cast<std::uint32_t>(at[0]) << 24 | static_cast<std::uint32_t>(at[1]) << 16 |
         static_cast<std::uint32_t>(at[2]) << 8 | at[3];
}

bool IsType(const std::uint8_t* at, const char (&type)[5]) {
  return at[0] == type[0] && at[1] == type[1] && at[2] == type[2] && at[3] == type[3];
}

}  // namespace

bool PngDataChunksFit(const std::uint8_t* data, std::size_t size) {
  std::size_t position = kSignatureSize;
  while (position <= size && size - position >= kChunkHeadSize) {
    const std::uint32_t length = GetBig32(data + position);
    const std::uint8_t* type = data + position + 4;
    position += kChunkHeadSize;
    const std::size_t remaining = size - position;
    if (IsType(type, "IDAT") && length > remaining) return false;
    // The decoder stops at IEND; a chunk that runs past the end leaves it nothing more to read.
    if (IsType(type, "IEND") || length > remaining) return true;
    position += length + kChunkCrcSize;
  }
  return true;
}
