#include "decoder.h"

#include <stb/stb_image.h>

#include <cstring>
#include <limits>

#include "hdr_scanlines.h"
#include "image_format.h"
#include "spi_abi.h"

namespace {

bool WithinPixelLimit(int width, int height) {
  return width > 0 && height > 0 &&
         static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) <= kMaxPixels;
}

std::int32_t FailureCode() {
  const char* reason = stbi_failure_reason();
  return reason != nullptr && std::strcmp(reason, "outofmem") == 0 ? SPI_NO_MEMORY
                                                                   : SPI_BROKEN_DATA;
}

}  // namespace

std::int32_t ReadImageShape(const std::uint8_t* data, std::size_t size, TImageShape& shape) {
  const TImageFormat format =
      data != nullptr ? DetectImageFormat(data, size) : TImageFormat::ifUnknown;
  if (format == TImageFormat::ifUnknown) return SPI_UNKNOWN_FORMAT;
  if (size > static_cast<std::size_t>(std::numeric_limits<int>::max())) return SPI_NO_MEMORY;
  int width = 0;
  int height = 0;
  int components = 0;
  if (stbi_info_from_memory(data, static_cast<int>(size), &width, &height, &components) == 0) {
    return SPI_BROKEN_DATA;
  }
  if (width <= 0 || height <= 0) return SPI_BROKEN_DATA;
  if (!WithinPixelLimit(width, height)) return SPI_NO_MEMORY;
  if (static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) >
      static_cast<std::uint64_t>(size) * kMaxPixelsPerByte) {
    return SPI_BROKEN_DATA;
  }
  if (format == TImageFormat::ifHdr && !HdrScanlinesTerminate(data, size, width, height)) {
    return SPI_BROKEN_DATA;
  }
  shape.Width = width;
  shape.Height = height;
  shape.Channels = components == 2 || components == 4 ? 4 : 3;
  return SPI_SUCCESS;
}

std::int32_t DecodeImage(const std::uint8_t* data, std::size_t size, TDecodedImage& image) {
  TImageShape shape;
  if (const std::int32_t code = ReadImageShape(data, size, shape); code != SPI_SUCCESS) {
    return code;
  }
  int width = 0;
  int height = 0;
  int components = 0;
  std::unique_ptr<std::uint8_t, void (*)(void*)> pixels(
      stbi_load_from_memory(data, static_cast<int>(size), &width, &height, &components,
                            shape.Channels),
      &stbi_image_free);
  if (!pixels) return FailureCode();
  // The pixels were checked through the header; a decoder that reads another size is refused.
  if (width != shape.Width || height != shape.Height) return SPI_BROKEN_DATA;
  image.Shape = shape;
  image.Pixels = std::move(pixels);
  return SPI_SUCCESS;
}
