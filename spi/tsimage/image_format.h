// The picture formats this plug-in decodes, recognised by their first bytes.
#pragma once

#include <cstddef>
#include <cstdint>

enum class TImageFormat { ifUnknown, ifPng, ifJpeg, ifGif, ifTga, ifPsd, ifPnm, ifHdr };

// How many leading bytes DetectImageFormat needs at most to decide.
inline constexpr std::size_t kFormatProbeSize = 32;

// The format of the picture whose first `size` bytes are at `head` (never read beyond them), or
// ifUnknown. The name of the file plays no part: a PNG called photo.jpg is a PNG. BMP is not
// claimed, because the host reads it itself.
TImageFormat DetectImageFormat(const std::uint8_t* head, std::size_t size);
