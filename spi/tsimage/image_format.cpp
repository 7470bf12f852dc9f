#include "image_format.h"

#include <cstring>
#include <initializer_list>

namespace {

bool StartsWith(const std::uint8_t* head, std::size_t size, const char* magic, std::size_t length) {
  return size >= length && std::memcmp(head, magic, length) == 0;
}

bool IsOneOf(std::uint8_t value, std::initializer_list<std::uint8_t> allowed) {
  for (std::uint8_t candidate : allowed) {
    if (value == candidate) return true;
  }
  return false;
}

// TGA has no signature; its 18-byte header is checked for a consistent combination of colour
// map, image type and pixel depth, and a non-empty size. That rejects text, zero padding and the
// formats above, which are tested first.
bool LooksLikeTga(const std::uint8_t* head, std::size_t size) {
  if (size < 18) return false;
  const std::uint8_t colorMapType = head[1];
  const std::uint8_t imageType = head[2];
  const std::uint8_t colorMapEntryBits = head[7];
  const unsigned width = head[12] | (head[13] << 8);
  const unsigned height = head[14] | (head[15] << 8);
  const std::uint8_t pixelBits = head[16];
  if (colorMapType == 1) {
    if (!IsOneOf(imageType, {1, 9})) return false;
    if (!IsOneOf(colorMapEntryBits, {8, 15, 16, 24, 32})) return false;
    if (!IsOneOf(pixelBits, {8, 16})) return false;
  } else if (colorMapType == 0) {
    if (!IsOneOf(imageType, {2, 3, 10, 11})) return false;
    if (!IsOneOf(pixelBits, {8, 15, 16, 24, 32})) return false;
  } else {
    return false;
  }
  return width > 0 && height > 0;
}

bool IsPnmSeparator(std::uint8_t c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

TImageFormat DetectImageFormat(const std::uint8_t* head, std::size_t size) {
  if (head == nullptr) return TImageFormat::ifUnknown;
  if (StartsWith(head, size, "\x89PNG\r\n\x1a\n", 8)) return TImageFormat::ifPng;
  if (StartsWith(head, size, "\xff\xd8\xff", 3)) return TImageFormat::ifJpeg;
  if (StartsWith(head, size, "GIF87a", 6) || StartsWith(head, size, "GIF89a", 6)) {
    return TImageFormat::ifGif;
  }
  // Only version 1 (PSD); version 2 (PSB) is not decoded.
  if (StartsWith(head, size, "8BPS\x00\x01", 6)) return TImageFormat::ifPsd;
  // Binary grey (P5) and colour (P6) maps; the ASCII variants are not decoded.
  if (size >= 3 && head[0] == 'P' && (head[1] == '5' || head[1] == '6') &&
      IsPnmSeparator(head[2])) {
    return TImageFormat::ifPnm;
  }
  if (StartsWith(head, size, "#?RADIANCE\n", 11) || StartsWith(head, size, "#?RGBE\n", 7)) {
    return TImageFormat::ifHdr;
  }
  if (LooksLikeTga(head, size)) return TImageFormat::ifTga;
  return TImageFormat::ifUnknown;
}
