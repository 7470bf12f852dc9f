// The PNG writer: each colour type and depth it chooses, read back by another decoder (stb_image)
// to the same pixels, every chunk's CRC and the stream's checksum computed here the slow way.
#include "image/png/png_writer.h"

#include <stb/stb_image.h>

#include <functional>
#include <string>

#include "image_fixtures.h"
#include "rtl/stream.h"

namespace {

using namespace image_fixtures;

std::uint32_t SlowCrc(const std::uint8_t* data, std::size_t count) {
  std::uint32_t crc = 0xFFFFFFFF;
  for (std::size_t i = 0; i < count; ++i) {
    crc ^= data[i];
    for (int bit = 0; bit < 8; ++bit) crc = crc >> 1 ^ (crc & 1 ? 0xEDB88320 : 0);
  }
  return ~crc;
}

std::uint32_t SlowAdler(const std::uint8_t* data, std::size_t count) {
  std::uint32_t a = 1, b = 0;
  for (std::size_t i = 0; i < count; ++i) a = (a + data[i]) % 65521, b = (b + a) % 65521;
  return b << 16 | a;
}

std::uint32_t BigEndian(const TBytes& bytes, std::size_t at) {
  return std::uint32_t{bytes[at]} << 24 | bytes[at + 1] << 16 | bytes[at + 2] << 8 | bytes[at + 3];
}

struct TCase {
  const char* Name;
  int Width, Height;
  std::function<std::uint32_t(int x, int y)> Colour;  // 0xRRGGBB
  int ColourType, BitDepth;
  // Written with the fast deflate setting: the zlib header's level class 0, not 3 (the deep).
  bool Fast = false;
};

std::uint32_t Grey(unsigned level) { return level * 0x010101; }

}  // namespace

TEST(PngWriter, EachLayoutReadsBackToThePixels) {
  const auto noise = [](int x, int y) { return (x * 2654435761u ^ y * 40503u) * 2246822519u >> 8; };
  const TCase cases[] = {
      {"two colours, 1-bit palette, a row of 9 bits", 9, 3,
       [](int x, int y) { return (x + y) % 2 ? 0xFF0000u : 0x0000FFu; }, 3, 1},
      {"four colours, 2-bit palette", 7, 2, [](int x, int) { return 0x102030u * (x % 4); }, 3, 2},
      {"sixteen colours, 4-bit palette", 5, 5,
       [](int x, int y) { return 0x0F0E0Du * (x + 5 * y) % 16 + 0x80; }, 3, 4},
      {"256 colours, 8-bit palette", 16, 16, [](int x, int y) { return 0x010203u * (x + 16 * y); },
       3, 8},
      {"257 colours, RGB", 257, 2, [](int x, int) { return 0x030201u * x; }, 2, 8},
      {"black and white, 1-bit grey", 10, 3, [](int x, int y) { return Grey(x * y % 3 ? 255 : 0); },
       0, 1},
      {"greys 85 apart, 2-bit grey", 6, 2, [](int x, int y) { return Grey(85 * ((x + y) % 4)); }, 0,
       2},
      {"greys 17 apart, 4-bit grey", 16, 1, [](int x, int) { return Grey(17 * x); }, 0, 4},
      {"three other greys, 2-bit palette", 3, 3, [](int x, int) { return Grey(10 + 100 * x); }, 3,
       2},
      {"every grey, 8-bit grey", 64, 4, [](int x, int y) { return Grey(x + 64 * y); }, 0, 8},
      {"one pixel", 1, 1, [](int, int) { return 0x123456u; }, 3, 1},
      {"one column of noise", 1, 300, noise, 2, 8},
      {"one row of noise", 300, 1, noise, 2, 8},
      {"many blocks of noise", 301, 97, noise, 2, 8},
      {"noise larger than the sample, the fast setting", 400, 300, noise, 2, 8, true},
      {"noise tiled every 37 pixels, the deep setting", 400, 300,
       [&](int x, int y) { return noise(x % 37, y % 7); }, 2, 8},
  };
  for (const TCase& c : cases) {
    TBitmap bitmap;
    Load(bitmap, MakeSection({24, c.Width, c.Height}));
    for (int y = 0; y < c.Height; ++y) {
      for (int x = 0; x < c.Width; ++x) {
        const std::uint32_t colour = c.Colour(x, y);
        std::uint8_t* pixel = bitmap.RowData(y) + 3 * x;
        pixel[0] = static_cast<std::uint8_t>(colour),
        pixel[1] = static_cast<std::uint8_t>(colour >> 8),
        pixel[2] = static_cast<std::uint8_t>(colour >> 16);
      }
    }
    // Small blocks, so that the larger pictures span many; the threads must not change a byte.
    TBytes files[2];
    for (const int threads : {1, 3}) {
      TMemoryStream stream;
      WritePng(bitmap, stream, {.Threads = threads, .BlockBytes = 1000});
      files[threads / 3].assign(stream.Memory(), stream.Memory() + stream.Size());
    }
    const TBytes& file = files[0];
    EXPECT_EQ(files[1], file) << c.Name;
    ASSERT_GT(file.size(), 33u) << c.Name;
    EXPECT_EQ(std::string(file.begin() + 12, file.begin() + 16), "IHDR") << c.Name;
    EXPECT_EQ(file[24], c.BitDepth) << c.Name;
    EXPECT_EQ(file[25], c.ColourType) << c.Name;
    EXPECT_EQ(file[28], 0) << c.Name;  // not interlaced
    TBytes zlib;
    std::size_t at = 8;
    std::string last;
    while (at + 12 <= file.size()) {
      const std::uint32_t length = BigEndian(file, at);
      ASSERT_LE(at + 12 + length, file.size()) << c.Name;
      last.assign(file.begin() + at + 4, file.begin() + at + 8);
      EXPECT_EQ(BigEndian(file, at + 8 + length), SlowCrc(file.data() + at + 4, length + 4))
          << c.Name << ", chunk " << last << " at " << at;
      if (last == "IDAT")
        zlib.insert(zlib.end(), file.begin() + at + 8, file.begin() + at + 8 + length);
      at += 12 + length;
    }
    EXPECT_EQ(last, "IEND") << c.Name;
    ASSERT_GT(zlib.size(), 2u) << c.Name;
    EXPECT_EQ(zlib[1] >> 6, c.Fast ? 0 : 3) << c.Name;
    EXPECT_EQ(at, file.size()) << c.Name;
    int inflated = 0;
    char* rows = stbi_zlib_decode_malloc(reinterpret_cast<const char*>(zlib.data()),
                                         static_cast<int>(zlib.size()), &inflated);
    ASSERT_NE(rows, nullptr) << c.Name;
    const int channels = c.ColourType == 2 ? 3 : 1;
    EXPECT_EQ(inflated, c.Height * (1 + (c.Width * channels * c.BitDepth + 7) / 8)) << c.Name;
    EXPECT_EQ(BigEndian(zlib, zlib.size() - 4),
              SlowAdler(reinterpret_cast<std::uint8_t*>(rows), static_cast<std::size_t>(inflated)))
        << c.Name;
    stbi_image_free(rows);

    int width = 0, height = 0, components = 0;
    stbi_uc* rgb = stbi_load_from_memory(file.data(), static_cast<int>(file.size()), &width,
                                         &height, &components, 3);
    ASSERT_NE(rgb, nullptr) << c.Name << ": " << stbi_failure_reason();
    ASSERT_EQ(width, c.Width) << c.Name;
    ASSERT_EQ(height, c.Height) << c.Name;
    for (int y = 0; y < c.Height; ++y) {
      const std::uint8_t* pixel = bitmap.RowData(y);
      const stbi_uc* read = rgb + std::size_t(3) * c.Width * y;
      for (int x = 0; x < 3 * c.Width; x += 3) {
        ASSERT_EQ((TBytes{read[x], read[x + 1], read[x + 2]}),
                  (TBytes{pixel[x + 2], pixel[x + 1], pixel[x]}))
            << c.Name << ", pixel " << x / 3 << ", " << y;
      }
    }
    stbi_image_free(rgb);
  }
}
