#include "decoder.h"

#include <stb/stb_image.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "hdr_scanlines.h"
#include "image_format.h"
#include "png_chunks.h"
#include "pnm_header.h"
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

using TPixels = std::unique_ptr<std::uint8_t, void (*)(void*)>;

// PNM goes through the decoder in its own channels and sample size (see pnm_header.h); here its
// samples become RGB of one byte each: the first byte of a sample is its high byte.
std::int32_t DecodePnm(const std::uint8_t* data, std::size_t size, const TImageShape& shape,
                       TDecodedImage& image) {
  TPnmHeader header;
  if (!ReadPnmHeader(data, size, header)) return SPI_BROKEN_DATA;
  const auto pixelCount = static_cast<std::uint64_t>(shape.Width) * shape.Height;
  const std::uint64_t sampleCount = pixelCount * header.Channels;
  if (size - std::min(size, header.SamplesOffset) < sampleCount * header.SampleSize) {
    return SPI_BROKEN_DATA;
  }
  int width = 0;
  int height = 0;
  int components = 0;
  const int length = static_cast<int>(size);
  TPixels samples(header.SampleSize == 2
                      ? reinterpret_cast<std::uint8_t*>(
                            stbi_load_16_from_memory(data, length, &width, &height, &components, 0))
                      : stbi_load_from_memory(data, length, &width, &height, &components, 0),
                  &stbi_image_free);
  if (!samples) return FailureCode();
  if (width != shape.Width || height != shape.Height || components != header.Channels) {
    return SPI_BROKEN_DATA;
  }
  TPixels pixels(static_cast<std::uint8_t*>(std::malloc(static_cast<std::size_t>(pixelCount) * 3)),
                 &std::free);
  if (!pixels) return SPI_NO_MEMORY;
  const std::size_t step = header.SampleSize;
  const std::uint8_t* in = samples.get();
  std::uint8_t* out = pixels.get();
  if (header.Channels == 1) {
    for (std::uint64_t i = 0; i < pixelCount; ++i, in += step, out += 3) {
      out[0] = out[1] = out[2] = *in;
    }
  } else {
    for (std::uint64_t i = 0; i < sampleCount; ++i, in += step) *out++ = *in;
  }
  image.Shape = shape;
  image.Pixels = std::move(pixels);
  return SPI_SUCCESS;
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
  if (format == TImageFormat::ifHdr && !HdrScanlinesReadable(data, size, width, height)) {
    return SPI_BROKEN_DATA;
  }
  if (format == TImageFormat::ifPng && !PngDataChunksFit(data, size)) return SPI_BROKEN_DATA;
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
  if (DetectImageFormat(data, size) == TImageFormat::ifPnm) {
    return DecodePnm(data, size, shape, image);
  }
  int width = 0;
  int height = 0;
  int components = 0;
  TPixels pixels(stbi_load_from_memory(data, static_cast<int>(size), &width, &height, &components,
                                       shape.Channels),
                 &stbi_image_free);
  if (!pixels) return FailureCode();
  // The pixels were checked through the header; a decoder that reads another size is refused.
  if (width != shape.Width || height != shape.Height) return SPI_BROKEN_DATA;
  image.Shape = shape;
  image.Pixels = std::move(pixels);
  return SPI_SUCCESS;
}
