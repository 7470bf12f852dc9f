// Writes the seed corpus of the tsimage fuzz target: one small valid picture for each variant of
// the formats the plug-in decodes that the search should start from. The encoders of the picture
// tests make the common variants; the rest (grey, 16-bit, palette and interlaced PNG, other PNM,
// TGA and PSD kinds) are put together here byte by byte.
//   tsimage_seeds <folder>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <string>
#include <utility>
#include <vector>

#include "picture_fixtures.h"

namespace {

using fixtures::TBytes;

void PutBig(TBytes& bytes, std::uint32_t value, int size) {
  for (int i = size - 1; i >= 0; --i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void PutLittle(TBytes& bytes, std::uint32_t value, int size) {
  for (int i = 0; i < size; ++i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// Bytes that change from one to the next, so that no two rows or channels look alike.
void PutPattern(TBytes& bytes, std::size_t count, std::uint8_t seed) {
  for (std::size_t i = 0; i < count; ++i) bytes.push_back(static_cast<std::uint8_t>(seed + i * 29));
}

// --- PNG -----------------------------------------------------------------------------------

std::uint32_t Crc32(const std::uint8_t* data, std::size_t size) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (std::size_t i = 0; i < size; ++i) {
    crc ^= data[i];
    for (int bit = 0; bit < 8; ++bit) crc = crc & 1 ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
  }
  return ~crc;
}

void PutChunk(TBytes& png, const char* type, const TBytes& body) {
  PutBig(png, static_cast<std::uint32_t>(body.size()), 4);
  TBytes typed(type, type + 4);
  typed.insert(typed.end(), body.begin(), body.end());
  png.insert(png.end(), typed.begin(), typed.end());
  PutBig(png, Crc32(typed.data(), typed.size()), 4);
}

// A zlib stream of stored (uncompressed) blocks.
TBytes Stored(const TBytes& data) {
  TBytes out = {0x78, 0x01};
  std::size_t at = 0;
  do {
    const std::size_t count = std::min<std::size_t>(data.size() - at, 65535);
    out.push_back(at + count == data.size() ? 1 : 0);
    PutLittle(out, static_cast<std::uint32_t>(count), 2);
    PutLittle(out, static_cast<std::uint32_t>(~count & 0xFFFF), 2);
    out.insert(out.end(), data.begin() + static_cast<std::ptrdiff_t>(at),
               data.begin() + static_cast<std::ptrdiff_t>(at + count));
    at += count;
  } while (at < data.size());
  std::uint32_t a = 1;
  std::uint32_t b = 0;
  for (std::uint8_t byte : data) {
    a = (a + byte) % 65521;
    b = (b + a) % 65521;
  }
  PutBig(out, b << 16 | a, 4);
  return out;
}

struct TPngKind {
  const char* Name;
  int Width;
  int Height;
  int BitDepth;
  int ColourType;  // 0 grey, 2 RGB, 3 palette, 4 grey + alpha, 6 RGBA
  bool Interlaced;
};

int SamplesPerPixel(int colourType) {
  switch (colourType) {
    case 2:
      return 3;
    case 4:
      return 2;
    case 6:
      return 4;
    default:
      return 1;
  }
}

// Scanlines with every filter type in turn: any filtered bytes are a valid picture.
void PutScanlines(TBytes& raw, int width, int height, int bitsPerPixel, int& row) {
  if (width == 0 || height == 0) return;
  const std::size_t rowBytes = (static_cast<std::size_t>(width) * bitsPerPixel + 7) / 8;
  for (int y = 0; y < height; ++y, ++row) {
    raw.push_back(static_cast<std::uint8_t>(row % 5));
    PutPattern(raw, rowBytes, static_cast<std::uint8_t>(row * 17));
  }
}

TBytes MakePng(const TPngKind& kind) {
  const int bitsPerPixel = kind.BitDepth * SamplesPerPixel(kind.ColourType);
  TBytes raw;
  int row = 0;
  if (kind.Interlaced) {
    // The seven passes of Adam7: start and step of columns and rows.
    const int passes[7][4] = {{0, 8, 0, 8}, {4, 8, 0, 8}, {0, 4, 4, 8}, {2, 4, 0, 4},
                              {0, 2, 2, 4}, {1, 2, 0, 2}, {0, 1, 1, 2}};
    for (const auto& p : passes) {
      const int width = kind.Width > p[0] ? (kind.Width - p[0] + p[1] - 1) / p[1] : 0;
      const int height = kind.Height > p[2] ? (kind.Height - p[2] + p[3] - 1) / p[3] : 0;
      PutScanlines(raw, width, height, bitsPerPixel, row);
    }
  } else {
    PutScanlines(raw, kind.Width, kind.Height, bitsPerPixel, row);
  }

  TBytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  TBytes header;
  PutBig(header, static_cast<std::uint32_t>(kind.Width), 4);
  PutBig(header, static_cast<std::uint32_t>(kind.Height), 4);
  header.push_back(static_cast<std::uint8_t>(kind.BitDepth));
  header.push_back(static_cast<std::uint8_t>(kind.ColourType));
  header.push_back(0);  // deflate
  header.push_back(0);  // adaptive filtering
  header.push_back(kind.Interlaced ? 1 : 0);
  PutChunk(png, "IHDR", header);
  if (kind.ColourType == 3) {
    const int entries = 1 << kind.BitDepth;
    TBytes palette;
    PutPattern(palette, static_cast<std::size_t>(entries) * 3, 11);
    PutChunk(png, "PLTE", palette);
    TBytes transparency;
    PutPattern(transparency, static_cast<std::size_t>(entries) / 2, 200);
    PutChunk(png, "tRNS", transparency);
  } else if (kind.ColourType == 2) {
    TBytes transparency;
    PutBig(transparency, 1, 2);
    PutBig(transparency, 2, 2);
    PutBig(transparency, 3, 2);
    PutChunk(png, "tRNS", transparency);
  }
  // The image data split over two chunks, as encoders do for large pictures.
  const TBytes compressed = Stored(raw);
  const auto half = static_cast<std::ptrdiff_t>(compressed.size() / 2);
  PutChunk(png, "IDAT", TBytes(compressed.begin(), compressed.begin() + half));
  PutChunk(png, "IDAT", TBytes(compressed.begin() + half, compressed.end()));
  PutChunk(png, "IEND", {});
  return png;
}

// --- PNM, TGA, PSD ---------------------------------------------------------------------------

TBytes MakePnm(const char* magic, int width, int height, int maxValue, int samples) {
  const std::string header = std::string(magic) + "\n# seed\n" + std::to_string(width) + " " +
                             std::to_string(height) + "\n" + std::to_string(maxValue) + "\n";
  TBytes bytes(header.begin(), header.end());
  const std::size_t sampleBytes = maxValue > 255 ? 2 : 1;
  PutPattern(bytes, static_cast<std::size_t>(width) * height * samples * sampleBytes, 3);
  return bytes;
}

// A colour-mapped TGA (image type 1, or 9 run-length) with 24-bit map entries, or grey (type 3).
TBytes MakeTga(int imageType, int width, int height) {
  const bool mapped = imageType == 1 || imageType == 9;
  TBytes bytes;
  bytes.push_back(0);               // no image id
  bytes.push_back(mapped ? 1 : 0);  // colour map type
  bytes.push_back(static_cast<std::uint8_t>(imageType));
  PutLittle(bytes, 0, 2);                // first map entry
  PutLittle(bytes, mapped ? 16 : 0, 2);  // map length
  bytes.push_back(mapped ? 24 : 0);      // map entry size
  PutLittle(bytes, 0, 2);                // x origin
  PutLittle(bytes, 0, 2);                // y origin
  PutLittle(bytes, static_cast<std::uint32_t>(width), 2);
  PutLittle(bytes, static_cast<std::uint32_t>(height), 2);
  bytes.push_back(8);     // bits per pixel
  bytes.push_back(0x20);  // top-down
  if (mapped) PutPattern(bytes, 16 * 3, 40);
  const std::size_t pixels = static_cast<std::size_t>(width) * height;
  if (imageType == 9) {
    // Alternating packets: a run of 3 of one index, then 3 literal indices.
    for (std::size_t done = 0; done < pixels;) {
      const std::size_t count = std::min<std::size_t>(3, pixels - done);
      if ((done / 3) % 2 == 0) {
        bytes.push_back(static_cast<std::uint8_t>(0x80 | (count - 1)));
        bytes.push_back(static_cast<std::uint8_t>(done % 16));
      } else {
        bytes.push_back(static_cast<std::uint8_t>(count - 1));
        for (std::size_t i = 0; i < count; ++i) bytes.push_back(static_cast<std::uint8_t>(i * 5));
      }
      done += count;
    }
  } else {
    for (std::size_t i = 0; i < pixels; ++i) bytes.push_back(static_cast<std::uint8_t>(i % 16));
  }
  return bytes;
}

// A PSD with 4 channels (RGB and alpha) compressed by PackBits, one run and one literal
// stretch a row.
TBytes MakePackBitsPsd(int width, int height) {
  const int channels = 4;
  TBytes bytes = {'8', 'B', 'P', 'S', 0, 1, 0, 0, 0, 0, 0, 0};
  PutBig(bytes, channels, 2);
  PutBig(bytes, static_cast<std::uint32_t>(height), 4);
  PutBig(bytes, static_cast<std::uint32_t>(width), 4);
  PutBig(bytes, 8, 2);  // bits per channel
  PutBig(bytes, 3, 2);  // RGB
  PutBig(bytes, 0, 4);  // colour mode data
  PutBig(bytes, 0, 4);  // image resources
  PutBig(bytes, 0, 4);  // layers and masks
  PutBig(bytes, 1, 2);  // PackBits
  const int run = width / 2;
  const int literal = width - run;
  TBytes rows;
  std::vector<std::uint32_t> counts;
  for (int channel = 0; channel < channels; ++channel) {
    for (int y = 0; y < height; ++y) {
      const std::size_t before = rows.size();
      rows.push_back(static_cast<std::uint8_t>(257 - run));  // repeat the next byte `run` times
      rows.push_back(static_cast<std::uint8_t>(channel * 60 + y));
      rows.push_back(static_cast<std::uint8_t>(literal - 1));
      PutPattern(rows, static_cast<std::size_t>(literal), static_cast<std::uint8_t>(y));
      counts.push_back(static_cast<std::uint32_t>(rows.size() - before));
    }
  }
  for (std::uint32_t count : counts) PutBig(bytes, count, 2);
  bytes.insert(bytes.end(), rows.begin(), rows.end());
  return bytes;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
    return 2;
  }
  const std::string folder = argv[1];
  try {
    const fixtures::TRgbaPicture opaque = fixtures::Pattern(7, 5, false);
    const fixtures::TRgbaPicture translucent = fixtures::Pattern(7, 5, true);
    const fixtures::TRgbaPicture blocks = fixtures::Pattern(17, 9, false);
    std::vector<std::pair<std::string, TBytes>> seeds = {
        {"rgb.png", fixtures::MakePng(opaque, false)},
        {"rgba.png", fixtures::MakePng(translucent, true)},
        {"fine.jpg", fixtures::MakeJpeg(blocks, 95)},
        {"subsampled.jpg", fixtures::MakeJpeg(blocks, 50)},
        {"raw.tga", fixtures::MakeTga(opaque, false)},
        {"rle.tga", fixtures::MakeTga(opaque, true)},
        {"mapped.tga", MakeTga(1, 5, 3)},
        {"mapped_rle.tga", MakeTga(9, 5, 3)},
        {"grey.tga", MakeTga(3, 5, 3)},
        {"colour.ppm", fixtures::MakePnm(opaque)},
        {"grey.pgm", MakePnm("P5", 5, 3, 255, 1)},
        {"deep.ppm", MakePnm("P6", 3, 2, 65535, 3)},
        {"raw.psd", fixtures::MakePsd(opaque)},
        {"packbits.psd", MakePackBitsPsd(6, 3)},
        {"rle.hdr", fixtures::MakeHdr(9, 2, {0.0f, 0.25f, 1.0f, 4.0f})},
        {"flat.hdr", fixtures::MakeHdr(3, 2, {0.5f, 2.0f})},
        {"transparent.gif", fixtures::MakeGif2x2()},
    };
    const TPngKind pngs[] = {
        {"grey1.png", 13, 3, 1, 0, false},       {"grey8.png", 5, 3, 8, 0, false},
        {"grey16.png", 5, 3, 16, 0, false},      {"greyalpha8.png", 5, 3, 8, 4, false},
        {"rgb16.png", 4, 3, 16, 2, false},       {"rgba16.png", 4, 3, 16, 6, false},
        {"palette2.png", 9, 3, 2, 3, false},     {"palette8.png", 4, 3, 8, 3, false},
        {"adam7_rgb.png", 11, 9, 8, 2, true},    {"adam7_palette4.png", 10, 9, 4, 3, true},
        {"adam7_rgba16.png", 9, 9, 16, 6, true},
    };
    for (const TPngKind& kind : pngs) seeds.emplace_back(kind.Name, MakePng(kind));
    for (const auto& [name, bytes] : seeds) fixtures::WriteFile(folder + "/" + name, bytes);
    std::printf("%zu seeds written to %s\n", seeds.size(), folder.c_str());
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 1;
  }
  return 0;
}
