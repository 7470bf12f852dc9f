#include "picture_fixtures.h"

#include <stb/stb_image_write.h>

#include <cstdio>
#include <filesystem>
#include <stdexcept>

#ifdef _WIN32
#include <process.h>
#define TS_GETPID _getpid
#else
#include <unistd.h>
#define TS_GETPID getpid
#endif

namespace fixtures {
namespace {

void AppendToBytes(void* context, void* data, int size) {
  auto* bytes = static_cast<TBytes*>(context);
  const auto* begin = static_cast<const std::uint8_t*>(data);
  bytes->insert(bytes->end(), begin, begin + size);
}

std::vector<std::uint8_t> Channels(const TRgbaPicture& picture, int channels) {
  std::vector<std::uint8_t> out;
  out.reserve(static_cast<std::size_t>(picture.Width) * picture.Height * channels);
  for (std::size_t i = 0; i < picture.Rgba.size(); i += 4) {
    out.insert(out.end(), picture.Rgba.begin() + static_cast<std::ptrdiff_t>(i),
               picture.Rgba.begin() + static_cast<std::ptrdiff_t>(i) + channels);
  }
  return out;
}

void PutBig(TBytes& bytes, std::uint32_t value, int size) {
  for (int i = size - 1; i >= 0; --i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

}  // namespace

const std::uint8_t kGifPalette[4][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {40, 50, 60}};

TRgbaPicture Pattern(int width, int height, bool withAlpha) {
  TRgbaPicture picture{width, height, {}};
  picture.Rgba.reserve(static_cast<std::size_t>(width) * height * 4);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      picture.Rgba.push_back(static_cast<std::uint8_t>(x * 37 + y * 11));
      picture.Rgba.push_back(static_cast<std::uint8_t>(y * 53 + 7));
      picture.Rgba.push_back(static_cast<std::uint8_t>((x ^ y) * 29 + 100));
      picture.Rgba.push_back(withAlpha ? static_cast<std::uint8_t>(255 - (x + y) * 17) : 255);
    }
  }
  return picture;
}

TBytes MakePng(const TRgbaPicture& picture, bool withAlpha) {
  const int channels = withAlpha ? 4 : 3;
  const std::vector<std::uint8_t> pixels = Channels(picture, channels);
  TBytes bytes;
  if (stbi_write_png_to_func(AppendToBytes, &bytes, picture.Width, picture.Height, channels,
                             pixels.data(), picture.Width * channels) == 0) {
    throw std::runtime_error("PNG encoding failed");
  }
  return bytes;
}

TBytes MakeJpeg(const TRgbaPicture& picture, int quality) {
  const std::vector<std::uint8_t> pixels = Channels(picture, 3);
  TBytes bytes;
  if (stbi_write_jpg_to_func(AppendToBytes, &bytes, picture.Width, picture.Height, 3, pixels.data(),
                             quality) == 0) {
    throw std::runtime_error("JPEG encoding failed");
  }
  return bytes;
}

TBytes MakeTga(const TRgbaPicture& picture, bool runLength) {
  const std::vector<std::uint8_t> pixels = Channels(picture, 3);
  stbi_write_tga_with_rle = runLength ? 1 : 0;
  TBytes bytes;
  const int ok = stbi_write_tga_to_func(AppendToBytes, &bytes, picture.Width, picture.Height, 3,
                                        pixels.data());
  stbi_write_tga_with_rle = 1;
  if (ok == 0) throw std::runtime_error("TGA encoding failed");
  return bytes;
}

TBytes MakePnm(const TRgbaPicture& picture) {
  const std::string header =
      "P6\n" + std::to_string(picture.Width) + " " + std::to_string(picture.Height) + "\n255\n";
  TBytes bytes(header.begin(), header.end());
  const std::vector<std::uint8_t> pixels = Channels(picture, 3);
  bytes.insert(bytes.end(), pixels.begin(), pixels.end());
  return bytes;
}

TBytes MakePsd(const TRgbaPicture& picture) {
  TBytes bytes = {'8', 'B', 'P', 'S', 0, 1, 0, 0, 0, 0, 0, 0};
  PutBig(bytes, 3, 2);  // channels
  PutBig(bytes, static_cast<std::uint32_t>(picture.Height), 4);
  PutBig(bytes, static_cast<std::uint32_t>(picture.Width), 4);
  PutBig(bytes, 8, 2);  // bits per channel
  PutBig(bytes, 3, 2);  // RGB
  PutBig(bytes, 0, 4);  // colour mode data
  PutBig(bytes, 0, 4);  // image resources
  PutBig(bytes, 0, 4);  // layers and masks
  PutBig(bytes, 0, 2);  // raw planes
  for (int channel = 0; channel < 3; ++channel) {
    for (std::size_t i = 0; i < picture.Rgba.size(); i += 4)
      bytes.push_back(picture.Rgba[i + channel]);
  }
  return bytes;
}

TBytes MakeHdr(int width, int height, const std::vector<float>& levels) {
  std::vector<float> pixels;
  for (int i = 0; i < width * height * 3; ++i) pixels.push_back(levels[i % levels.size()]);
  TBytes bytes;
  if (stbi_write_hdr_to_func(AppendToBytes, &bytes, width, height, 3, pixels.data()) == 0) {
    throw std::runtime_error("HDR encoding failed");
  }
  return bytes;
}

TBytes MakeGif2x2() {
  TBytes bytes = {'G', 'I', 'F', '8', '9', 'a', 2, 0, 2, 0, 0xF1, 0, 0};
  for (const auto& entry : kGifPalette) bytes.insert(bytes.end(), entry, entry + 3);
  // Graphic control extension: entry 3 is transparent.
  const TBytes control = {0x21, 0xF9, 4, 0x01, 0, 0, 3, 0};
  bytes.insert(bytes.end(), control.begin(), control.end());
  // Image descriptor, then the LZW codes clear, 0, 1, 2, 3, end (code size 2, min. 3 bits).
  const TBytes image = {0x2C, 0, 0, 0, 0, 2, 0, 2, 0, 0, 2, 3, 0x44, 0x34, 0x05, 0, 0x3B};
  bytes.insert(bytes.end(), image.begin(), image.end());
  return bytes;
}

void WriteFile(const std::string& path, const TBytes& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) throw std::runtime_error("cannot create " + path);
  const bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  if (std::fclose(file) != 0 || !ok) throw std::runtime_error("cannot write " + path);
}

std::string TempPath(const std::string& name) {
  return (std::filesystem::temp_directory_path() /
          ("ts-pictures-" + std::to_string(TS_GETPID()) + "-" + name))
      .string();
}

}  // namespace fixtures
