#include "dib_builder.h"

#include <cstring>
#include <limits>

namespace {

void Put16(std::uint8_t* at, std::uint16_t value) {
  at[0] = static_cast<std::uint8_t>(value);
  at[1] = static_cast<std::uint8_t>(value >> 8);
}

void Put32(std::uint8_t* at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

void WriteHeader(std::uint8_t* at, const TImageShape& shape, std::uint16_t bitCount,
                 std::uint32_t imageSize) {
  std::memset(at, 0, kDibHeaderSize);
  Put32(at + 0, kDibHeaderSize);                            // biSize
  Put32(at + 4, static_cast<std::uint32_t>(shape.Width));   // biWidth
  Put32(at + 8, static_cast<std::uint32_t>(shape.Height));  // biHeight: bottom-up
  Put16(at + 12, 1);                                        // biPlanes
  Put16(at + 14, bitCount);                                 // biBitCount
  // biCompression BI_RGB (0) stays zero, as do the densities and the colour counts.
  Put32(at + 20, imageSize);  // biSizeImage
}

// One row of RGB(A) to BGR(A); the padding after it is zeroed.
void ConvertRow(const std::uint8_t* source, std::uint8_t* target, int width, int channels,
                std::size_t rowSize) {
  std::uint8_t* out = target;
  if (channels == 4) {
    for (int x = 0; x < width; ++x, source += 4, out += 4) {
      out[0] = source[2];
      out[1] = source[1];
      out[2] = source[0];
      out[3] = source[3];
    }
  } else {
    for (int x = 0; x < width; ++x, source += 3, out += 3) {
      out[0] = source[2];
      out[1] = source[1];
      out[2] = source[0];
    }
  }
  const auto used = static_cast<std::size_t>(out - target);
  std::memset(out, 0, rowSize - used);
}

}  // namespace

std::int32_t BuildDib(const TDecodedImage& image, TSpiProgressCallback progress,
                      std::intptr_t lData, TSpiBlock& info, TSpiBlock& bits) {
  info.Reset();
  bits.Reset();
  const TImageShape& shape = image.Shape;
  const auto bitCount = static_cast<std::uint16_t>(shape.Channels * 8);
  const std::uint64_t rowSize = (static_cast<std::uint64_t>(shape.Width) * bitCount + 31) / 32 * 4;
  const std::uint64_t imageSize = rowSize * static_cast<std::uint64_t>(shape.Height);
  // Hosts compute the size of the bits in signed 32-bit arithmetic.
  if (imageSize > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) {
    return SPI_NO_MEMORY;
  }

  if (progress != nullptr && progress(0, shape.Height, lData) != 0) return SPI_ABORT;

  TSpiBlock newInfo = TSpiBlock::Allocate(kDibHeaderSize);
  TSpiBlock newBits = TSpiBlock::Allocate(static_cast<std::size_t>(imageSize));
  if (!newInfo || !newBits) return SPI_NO_MEMORY;
  {
    TSpiBlockLock infoLock(newInfo);
    TSpiBlockLock bitsLock(newBits);
    if (infoLock.Data() == nullptr || bitsLock.Data() == nullptr) return SPI_MEMORY_ERROR;
    WriteHeader(static_cast<std::uint8_t*>(infoLock.Data()), shape, bitCount,
                static_cast<std::uint32_t>(imageSize));

    const std::size_t sourceRowSize =
        static_cast<std::size_t>(shape.Width) * static_cast<std::size_t>(shape.Channels);
    auto* target = static_cast<std::uint8_t*>(bitsLock.Data());
    for (int y = 0; y < shape.Height; ++y) {
      const std::uint8_t* sourceRow =
          image.Pixels.get() + sourceRowSize * static_cast<std::size_t>(y);
      std::uint8_t* targetRow = target + static_cast<std::size_t>(rowSize) *
                                             static_cast<std::size_t>(shape.Height - 1 - y);
      ConvertRow(sourceRow, targetRow, shape.Width, shape.Channels,
                 static_cast<std::size_t>(rowSize));
      if (progress != nullptr && progress(y + 1, shape.Height, lData) != 0) return SPI_ABORT;
    }
  }
  info = std::move(newInfo);
  bits = std::move(newBits);
  return SPI_SUCCESS;
}
