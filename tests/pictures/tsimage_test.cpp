// The bundled import plug-in, called through its entry points as a host calls them.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "entry_points.h"
#include "picture_fixtures.h"
#include "plugin_info.h"
#include "spi_block.h"

namespace {

using fixtures::TBytes;
using fixtures::TRgbaPicture;

// The memory image a host hands over: the bytes, zero-padded to at least 2048.
struct TProbe {
  explicit TProbe(const TBytes& bytes)
      : Buffer(bytes), Length(static_cast<std::int32_t>(bytes.size())) {
    if (Buffer.size() < 2048) Buffer.resize(2048, 0);
  }
  const char* Data() const { return reinterpret_cast<const char*>(Buffer.data()); }
  std::uintptr_t Address() const { return reinterpret_cast<std::uintptr_t>(Buffer.data()); }

  TBytes Buffer;
  std::int32_t Length;
};

std::uint32_t Get32(const std::uint8_t* at) {
  return at[0] | (at[1] << 8) | (at[2] << 16) | (static_cast<std::uint32_t>(at[3]) << 24);
}
std::uint16_t Get16(const std::uint8_t* at) {
  return static_cast<std::uint16_t>(at[0] | (at[1] << 8));
}
std::uint32_t Get32Big(const std::uint8_t* at) {
  return static_cast<std::uint32_t>(at[0]) << 24 | at[1] << 16 | at[2] << 8 | at[3];
}
void PutBig32(TBytes& bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
}

// What GetPicture returned, copied out of its blocks (which are freed on return).
struct TDib {
  std::int32_t Result = -100;
  std::size_t InfoBlockSize = 0;
  TBytes Header;
  TBytes Bits;

  std::int32_t Width() const { return static_cast<std::int32_t>(Get32(&Header[4])); }
  std::int32_t Height() const { return static_cast<std::int32_t>(Get32(&Header[8])); }
  int BitCount() const { return Get16(&Header[14]); }
  std::size_t RowSize() const {
    return (static_cast<std::size_t>(Width()) * BitCount() + 31) / 32 * 4;
  }
  // Pixel (x, y counted from the top) as RGBA; 24-bit pixels answer alpha 255.
  std::array<int, 4> Pixel(int x, int y) const {
    const std::size_t bytes = static_cast<std::size_t>(BitCount()) / 8;
    const std::uint8_t* p =
        Bits.data() + RowSize() * static_cast<std::size_t>(Height() - 1 - y) + bytes * x;
    return {p[2], p[1], p[0], bytes == 4 ? p[3] : 255};
  }
};

std::int32_t SPI_API Proceed(std::int32_t, std::int32_t, std::intptr_t) { return 0; }

TDib Decode(const TBytes& bytes, TSpiProgressCallback progress = Proceed, std::intptr_t lData = 0) {
  const TProbe probe(bytes);
  TSpiHandle info = nullptr;
  TSpiHandle bits = nullptr;
  TDib dib;
  dib.Result =
      GetPicture(probe.Data(), probe.Length, SPI_INPUT_MEMORY, &info, &bits, progress, lData);
  TSpiBlock infoBlock(info);
  TSpiBlock bitsBlock(bits);
  if (dib.Result != SPI_SUCCESS) {
    EXPECT_EQ(info, nullptr) << "a failed GetPicture must store no handle";
    EXPECT_EQ(bits, nullptr) << "a failed GetPicture must store no handle";
    return dib;
  }
  TSpiBlockLock infoLock(infoBlock);
  TSpiBlockLock bitsLock(bitsBlock);
  dib.InfoBlockSize = infoBlock.Size();
  const auto* header = static_cast<const std::uint8_t*>(infoLock.Data());
  dib.Header.assign(header, header + std::min<std::size_t>(infoBlock.Size(), 40));
  const auto* pixels = static_cast<const std::uint8_t*>(bitsLock.Data());
  dib.Bits.assign(pixels, pixels + bitsBlock.Size());
  return dib;
}

void ExpectSamePixels(const TRgbaPicture& expected, const TDib& dib, int tolerance,
                      bool compareAlpha, const std::string& what) {
  ASSERT_EQ(dib.Width(), expected.Width) << what;
  ASSERT_EQ(dib.Height(), expected.Height) << what;
  ASSERT_GE(dib.Bits.size(), dib.RowSize() * static_cast<std::size_t>(expected.Height)) << what;
  int mismatches = 0;
  for (int y = 0; y < expected.Height; ++y) {
    for (int x = 0; x < expected.Width; ++x) {
      const std::array<int, 4> actual = dib.Pixel(x, y);
      for (int c = 0; c < (compareAlpha ? 4 : 3); ++c) {
        if (std::abs(actual[c] - expected.At(x, y)[c]) > tolerance && ++mismatches <= 5) {
          ADD_FAILURE() << what << ": pixel (" << x << "," << y << ") channel " << c << " expected "
                        << int{expected.At(x, y)[c]} << " got " << actual[c];
        }
      }
    }
  }
  EXPECT_EQ(mismatches, 0) << what;
}

struct TFormatCase {
  const char* Name;
  std::function<TBytes(const TRgbaPicture&)> Encode;
  bool WithAlpha;    // the source pattern carries alpha
  int ExpectedBits;  // what GetPicture delivers
  int Tolerance;     // per channel (lossy formats)
};

const TFormatCase kFormatCases[] = {
    {"PNG RGB", [](const TRgbaPicture& p) { return fixtures::MakePng(p, false); }, false, 24, 0},
    {"PNG RGBA", [](const TRgbaPicture& p) { return fixtures::MakePng(p, true); }, true, 32, 0},
    {"TGA raw", [](const TRgbaPicture& p) { return fixtures::MakeTga(p, false); }, false, 24, 0},
    {"TGA run-length", [](const TRgbaPicture& p) { return fixtures::MakeTga(p, true); }, false, 24,
     0},
    {"PNM", fixtures::MakePnm, false, 24, 0},
    {"PSD", fixtures::MakePsd, false, 32, 0},
    {"JPEG", [](const TRgbaPicture& p) { return fixtures::MakeJpeg(p, 100); }, false, 24, 40},
};

TEST(TsImagePlugin, DecodesEachFormatToBottomUpRowsWithTheSourcePixels) {
  // Width 3 leaves 3 padding bytes per 24-bit row; the height makes some files pass 2048 bytes.
  for (const auto& [width, height] : {std::pair{3, 5}, std::pair{40, 30}}) {
    const TRgbaPicture source = fixtures::Pattern(width, height, true);
    for (const TFormatCase& c : kFormatCases) {
      const std::string what =
          std::string(c.Name) + " " + std::to_string(width) + "x" + std::to_string(height);
      TRgbaPicture expected = source;
      if (!c.WithAlpha) {
        for (std::size_t i = 3; i < expected.Rgba.size(); i += 4) expected.Rgba[i] = 255;
      }
      const TBytes bytes = c.Encode(source);
      const TProbe probe(bytes);
      EXPECT_NE(IsSupported("", probe.Address()), 0) << what;

      TPictureInfo info{};
      ASSERT_EQ(GetPictureInfo(probe.Data(), probe.Length, SPI_INPUT_MEMORY, &info), SPI_SUCCESS)
          << what;
      EXPECT_EQ(info.width, width) << what;
      EXPECT_EQ(info.height, height) << what;
      EXPECT_EQ(info.colorDepth, c.ExpectedBits) << what;
      const TSpiHandle hInfo = info.hInfo;  // a copy: the packed field is misaligned
      EXPECT_EQ(hInfo, nullptr) << what;

      const TDib dib = Decode(bytes);
      ASSERT_EQ(dib.Result, SPI_SUCCESS) << what;
      const std::size_t size = dib.RowSize() * height;
      // Block size, biSize, biPlanes, biBitCount, biCompression, biSizeImage; pixel block size.
      EXPECT_EQ(std::vector<std::size_t>({dib.InfoBlockSize, Get32(&dib.Header[0]),
                                          Get16(&dib.Header[12]), Get16(&dib.Header[14]),
                                          Get32(&dib.Header[16]), Get32(&dib.Header[20]),
                                          dib.Bits.size()}),
                std::vector<std::size_t>({40, 40, 1, std::size_t(c.ExpectedBits), 0, size, size}))
          << what;
      ExpectSamePixels(expected, dib, c.Tolerance, c.WithAlpha, what);
      for (std::size_t i = 0; i < dib.Bits.size(); ++i) {
        if (i % dib.RowSize() >= static_cast<std::size_t>(width) * dib.BitCount() / 8) {
          ASSERT_EQ(dib.Bits[i], 0) << what << ": padding byte " << i;
        }
      }
    }
  }
}

TEST(TsImagePlugin, GifGivesItsFirstFrameWithTransparency) {
  const TDib dib = Decode(fixtures::MakeGif2x2());
  ASSERT_EQ(dib.Result, SPI_SUCCESS);
  ASSERT_EQ(dib.BitCount(), 32);
  for (int index = 0; index < 3; ++index) {
    const auto& rgb = fixtures::kGifPalette[index];
    EXPECT_EQ(dib.Pixel(index % 2, index / 2), (std::array<int, 4>{rgb[0], rgb[1], rgb[2], 255}))
        << "entry " << index;
  }
  EXPECT_EQ(dib.Pixel(1, 1)[3], 0) << "the transparent entry";
}

TEST(TsImagePlugin, HdrIsToneMappedToEightBits) {
  // Gamma 2.2: a quarter of full level gives 0.25^(1/2.2) * 255 = 135.8; above full is clipped.
  const std::vector<float> levels = {0.0f, 1.0f, 0.25f, 4.0f};
  const int expected[] = {0, 255, 136, 255};
  const TDib dib = Decode(fixtures::MakeHdr(4, 2, levels));
  ASSERT_EQ(dib.Result, SPI_SUCCESS);
  ASSERT_EQ(dib.BitCount(), 24);
  for (int i = 0; i < 12; ++i) {
    EXPECT_NEAR(dib.Pixel(i / 3, 0)[i % 3], expected[i % 4], 1) << "level " << levels[i % 4];
  }
}

// A 3 x 2 binary PNM after `header`, P5 (grey) or P6 (colour), whose maximum value gives one or
// two bytes a sample (big-endian). Sample i has the high byte 37 * i + 5 and the low byte 200 - i.
TBytes PnmWithSamples(const std::string& header, char kind, int maxValue) {
  const int samples = 3 * 2 * (kind == '6' ? 3 : 1);
  TBytes bytes(header.begin(), header.end());
  for (int i = 0; i < samples; ++i) {
    bytes.push_back(static_cast<std::uint8_t>(37 * i + 5));
    if (maxValue > 255) bytes.push_back(static_cast<std::uint8_t>(200 - i));
  }
  return bytes;
}

TEST(TsImagePlugin, PnmGivesTheHighByteOfEachSampleAndRefusesMissingSamples) {
  struct TCase {
    const char* Header;
    char Kind;
    int MaxValue;
  };
  // Two-byte samples once came out as their low bytes, and two-byte grey made the decoder read
  // past its buffer; a file short of samples gave uninitialised memory as the picture.
  const TCase cases[] = {
      {"P5\n3 2\n255\n", '5', 255},
      {"P5\n3 2\n65535\n", '5', 65535},
      {"P6\n3 2\n255\n", '6', 255},
      {"P6 # a comment\r\n3\t2\n4095 ", '6', 4095},
  };
  for (const TCase& c : cases) {
    const std::string what = std::string("P") + c.Kind + " up to " + std::to_string(c.MaxValue);
    const TBytes whole = PnmWithSamples(c.Header, c.Kind, c.MaxValue);
    const TDib dib = Decode(whole);
    ASSERT_EQ(dib.Result, SPI_SUCCESS) << what;
    ASSERT_EQ(dib.BitCount(), 24) << what;
    ASSERT_EQ(dib.Bits.size(), dib.RowSize() * 2) << what;
    for (int pixel = 0; pixel < 6; ++pixel) {
      for (int channel = 0; channel < 3; ++channel) {
        const int sample = c.Kind == '6' ? pixel * 3 + channel : pixel;
        EXPECT_EQ(dib.Pixel(pixel % 3, pixel / 3)[channel], (37 * sample + 5) & 0xFF)
            << what << ": pixel " << pixel << " channel " << channel;
      }
    }
    const TBytes cut(whole.begin(), whole.end() - 1);
    EXPECT_EQ(Decode(cut).Result, SPI_BROKEN_DATA) << what << " without its last byte";
  }
}

TEST(TsImagePlugin, RecognisesByContentNotByName) {
  const TRgbaPicture picture = fixtures::Pattern(4, 4, false);
  struct TCase {
    const char* What;
    TBytes Bytes;
    bool Supported;
  };
  const TBytes bmp = {'B', 'M', 0x46, 0, 0, 0, 0, 0, 0, 0, 0x36, 0, 0, 0, 40, 0, 0, 0};
  const TCase cases[] = {
      {"PNG", fixtures::MakePng(picture, false), true},
      {"JPEG", fixtures::MakeJpeg(picture, 90), true},
      {"GIF", fixtures::MakeGif2x2(), true},
      {"TGA", fixtures::MakeTga(picture, true), true},
      {"PSD", fixtures::MakePsd(picture), true},
      {"PNM", fixtures::MakePnm(picture), true},
      {"HDR", fixtures::MakeHdr(2, 2, {0.5f}), true},
      {"BMP (the host's own format)", bmp, false},
      {"nothing (zero padding only)", {}, false},
      {"text", {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '\n'}, false},
      {"PNG signature cut short", {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a}, false},
      {"ASCII PNM (P3)",
       {'P', '3', '\n', '1', ' ', '1', '\n', '1', '\n', '0', ' ', '0', ' ', '0'},
       false},
      {"TGA header with an impossible pixel depth",
       {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 7, 0},
       false},
  };
  for (const TCase& c : cases) {
    const TProbe probe(c.Bytes);
    for (const char* name : {"", "picture.bmp", "picture.png", "noextension"}) {
      EXPECT_EQ(IsSupported(name, probe.Address()) != 0, c.Supported)
          << c.What << " named '" << name << "'";
    }
  }
  EXPECT_EQ(IsSupported("picture.png", 0), 0) << "a null address";
}

TEST(TsImagePlugin, DescribesItselfWithOneExtensionPerFilterWithinTheBuffer) {
  char buffer[256];
  ASSERT_GT(GetPluginInfo(1, buffer, 255), 0);
  EXPECT_NE(std::string(buffer).find("1.0"), std::string::npos) << buffer;
  std::vector<std::string> filters;
  for (std::int32_t n = 2; GetPluginInfo(n, buffer, 255) > 0; n += 2) {
    const std::string filter = buffer;
    ASSERT_GT(GetPluginInfo(n + 1, buffer, 255), 0) << "description of " << filter;
    EXPECT_TRUE(filter.starts_with("*.") && filter.find_first_of(";, ") == std::string::npos)
        << "one pattern per filter: " << filter;
    filters.push_back(filter);
  }
  for (const char* expected : {"*.png", "*.jpg", "*.jpeg", "*.gif", "*.tga", "*.psd", "*.ppm",
                               "*.pgm", "*.pnm", "*.hdr"}) {
    EXPECT_NE(std::find(filters.begin(), filters.end(), expected), filters.end()) << expected;
  }
  EXPECT_EQ(std::find(filters.begin(), filters.end(), "*.bmp"), filters.end());
  ASSERT_GT(GetPluginInfo(3, buffer, 255), 0);
  EXPECT_EQ(std::string(buffer), ToPluginText("PNG 画像"))
      << "descriptions travel in the 8-bit code page";

  struct TCase {
    std::int32_t Infono, BufLen, Expected;
    const char* Text;  // null: the buffer must stay untouched
  };
  const TCase cases[] = {
      {0, 255, 4, "00IN"},
      {0, 3, 2, "00"},
      {0, 1, 0, nullptr},
      {0, 0, 0, nullptr},
      {-1, 255, 0, nullptr},
      {1000, 255, 0, nullptr},
      {2147483647, 255, 0, nullptr},
  };
  for (const TCase& c : cases) {
    std::memset(buffer, 'x', sizeof buffer);
    const std::string what =
        "infono " + std::to_string(c.Infono) + " buflen " + std::to_string(c.BufLen);
    EXPECT_EQ(GetPluginInfo(c.Infono, buffer, c.BufLen), c.Expected) << what;
    if (c.Text != nullptr) {
      EXPECT_STREQ(buffer, c.Text) << what;
    } else {
      EXPECT_EQ(buffer[0], 'x') << what;
    }
  }
  EXPECT_EQ(GetPluginInfo(0, nullptr, 255), 0);
}

TEST(TsImagePlugin, ARawTgaCutShortGivesItsWholeRowsAndBlackForTheRest) {
  const TRgbaPicture picture = fixtures::Pattern(5, 4, false);
  const TBytes whole = fixtures::MakeTga(picture, false);
  // Rows are stored bottom-up after an 18-byte header: drop the top row and half of the next.
  const std::size_t rowSize = 5 * 3;
  const TBytes cut(whole.begin(),
                   whole.begin() + static_cast<std::ptrdiff_t>(18 + rowSize * 2 + 7));
  // Memory that held something else just before, so that unwritten pixels would show it.
  for (int i = 0; i < 8; ++i) {
    std::vector<std::uint8_t> dirty(picture.Rgba.size() * 3 / 4, 0xAB);
    EXPECT_EQ(dirty.back(), 0xAB);
  }
  const TDib dib = Decode(cut);
  ASSERT_EQ(dib.Result, SPI_SUCCESS);
  ASSERT_EQ(dib.Height(), 4);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 5; ++x) {
      for (int c = 0; c < 3; ++c) {
        const int expected = y >= 2 ? picture.At(x, y)[c] : 0;
        EXPECT_EQ(dib.Pixel(x, y)[c], expected) << "pixel (" << x << "," << y << ") channel " << c;
      }
    }
  }
}

// A one-pixel PNG whose header is changed to claim `width` x `height` grey pixels.
TBytes PngClaiming(std::uint32_t width, std::uint32_t height) {
  TBytes png = fixtures::MakePng(fixtures::Pattern(1, 1, false), false);
  for (int i = 0; i < 4; ++i) {
    png[16 + i] = static_cast<std::uint8_t>(width >> (24 - 8 * i));
    png[20 + i] = static_cast<std::uint8_t>(height >> (24 - 8 * i));
  }
  png[25] = 0;  // colour type grey: the decoder's own limit is then 2^30 bytes
  return png;
}

// Offset of the first chunk of `type` in a PNG file.
std::size_t FindChunk(const TBytes& png, const char* type) {
  std::size_t at = 8;
  while (std::memcmp(&png[at + 4], type, 4) != 0) at += 12 + Get32Big(&png[at]);
  return at;
}

// A PNG of 3 x 2 pixels with a second IDAT chunk after its image data that holds 4 bytes but
// claims `claimed`, of the 24 that follow its length and type (4 of data, 4 of CRC, 12 of IEND);
// or, when `split`, with its image data split over two IDAT chunks instead.
TBytes PngWithDataChunks(std::uint32_t claimed, bool split) {
  TBytes png = fixtures::MakePng(fixtures::Pattern(3, 2, false), false);
  const std::size_t idat = FindChunk(png, "IDAT");
  const std::uint32_t length = Get32Big(&png[idat]);
  if (split) {
    // Two chunks of length / 2 and the rest; the CRCs are not checked by the decoder.
    const std::uint32_t first = length / 2;
    TBytes second = {0, 0, 0, 0, 'I', 'D', 'A', 'T'};
    PutBig32(second, 0, length - first);
    const auto at = static_cast<std::ptrdiff_t>(idat + 8 + first);
    second.insert(second.begin(), {0, 0, 0, 0});  // the first chunk's CRC
    png.insert(png.begin() + at, second.begin(), second.end());
    PutBig32(png, idat, first);
    return png;
  }
  // Data bytes after the end of the compressed stream are ignored by the decoder.
  TBytes extra = {0, 0, 0, 0, 'I', 'D', 'A', 'T', 0x78, 0x01, 0x03, 0x00, 0, 0, 0, 0};
  const TBytes end = {0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82};
  extra.insert(extra.end(), end.begin(), end.end());
  PutBig32(extra, 0, claimed);
  const std::size_t iend = FindChunk(png, "IEND");
  png.resize(iend);
  png.insert(png.end(), extra.begin(), extra.end());
  return png;
}

// An HDR file of 8 x 2 pixels whose second scanline holds a run count of 0.
TBytes HdrWithZeroRun() {
  const std::string header = "#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n-Y 2 +X 8\n";
  TBytes bytes(header.begin(), header.end());
  for (int row = 0; row < 2; ++row) {
    bytes.insert(bytes.end(), {2, 2, 0, 8});
    for (int channel = 0; channel < 4; ++channel) {
      if (row == 1 && channel == 2) {
        bytes.push_back(0);
        break;
      }
      bytes.insert(bytes.end(), {128 + 8, 100});
    }
    if (row == 1) break;
  }
  return bytes;
}

// An HDR file of `width` x 2 pixels in flat (not run-length) pixels, all of them present.
// From width 8 on the decoder expects run-length rows; the first row's bytes tell it otherwise.
TBytes FlatHdr(int width) {
  const std::string header =
      "#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n-Y 2 +X " + std::to_string(width) + "\n";
  TBytes bytes(header.begin(), header.end());
  for (int pixel = 0; pixel < width * 2; ++pixel) bytes.insert(bytes.end(), {128, 64, 32, 129});
  return bytes;
}

TBytes WithoutLastByte(TBytes bytes) {
  bytes.pop_back();
  return bytes;
}

TEST(TsImagePlugin, RefusesImplausibleHeadersBeforeDecoding) {
  struct TCase {
    const char* What;
    TBytes Bytes;
    std::int32_t Expected;
  };
  const TCase cases[] = {
      // 2^28 + 2^14 pixels: above the stated limit, though the decoder itself would take it.
      {"above 2^28 pixels", PngClaiming(16384, 16385), SPI_NO_MEMORY},
      {"exactly 2^28 pixels, but far more than the file's bytes could hold",
       PngClaiming(16384, 16384), SPI_BROKEN_DATA},
      {"16 million pixels from 70 bytes", PngClaiming(4000, 4000), SPI_BROKEN_DATA},
      {"an HDR scanline with a run count of 0", HdrWithZeroRun(), SPI_BROKEN_DATA},
      // The decoder would convert the bytes it did not find into pixels.
      {"flat HDR pixels one byte short", WithoutLastByte(FlatHdr(3)), SPI_BROKEN_DATA},
      {"HDR rows that turn flat, one byte short", WithoutLastByte(FlatHdr(8)), SPI_BROKEN_DATA},
      // The decoder would reserve what the chunk claims before finding the data missing.
      {"an IDAT chunk claiming 2 GB in a file of a hundred bytes",
       PngWithDataChunks(0x7FFFFFF0, false), SPI_BROKEN_DATA},
      {"an IDAT chunk claiming one byte more than the file holds", PngWithDataChunks(25, false),
       SPI_BROKEN_DATA},
  };
  for (const TCase& c : cases) {
    const TProbe probe(c.Bytes);
    TPictureInfo info{};
    EXPECT_EQ(GetPictureInfo(probe.Data(), probe.Length, SPI_INPUT_MEMORY, &info), c.Expected)
        << c.What;
    EXPECT_EQ(Decode(c.Bytes).Result, c.Expected) << c.What;
  }
  // The same HDR scanlines with every count present decode.
  TBytes good = HdrWithZeroRun();
  good.back() = 128 + 8;
  good.insert(good.end(), {100, 128 + 8, 100});
  EXPECT_EQ(Decode(good).Result, SPI_SUCCESS) << "the repaired HDR file";
  EXPECT_EQ(Decode(FlatHdr(3)).Result, SPI_SUCCESS) << "flat HDR pixels, all present";
  EXPECT_EQ(Decode(FlatHdr(8)).Result, SPI_SUCCESS) << "HDR rows that turn flat, all present";
  // Image data in two chunks, and a last chunk that holds exactly what it claims, still decode.
  EXPECT_EQ(Decode(PngWithDataChunks(0, true)).Result, SPI_SUCCESS) << "image data in two chunks";
  EXPECT_EQ(Decode(PngWithDataChunks(4, false)).Result, SPI_SUCCESS) << "a last chunk that fits";
}

struct TProgressLog {
  std::vector<std::pair<std::int32_t, std::int32_t>> Calls;
  std::int32_t StopAtCall = -1;
};

std::int32_t SPI_API LogProgress(std::int32_t num, std::int32_t denom, std::intptr_t lData) {
  auto* log = reinterpret_cast<TProgressLog*>(lData);
  log->Calls.emplace_back(num, denom);
  return static_cast<std::int32_t>(log->Calls.size()) - 1 == log->StopAtCall ? 1 : 0;
}

TEST(TsImagePlugin, ReportsProgressAndStopsWhenAsked) {
  const TBytes png = fixtures::MakePng(fixtures::Pattern(5, 7, false), false);
  for (const std::int32_t stopAt : {-1, 0, 1, 7}) {
    TProgressLog log;
    log.StopAtCall = stopAt;
    const TDib dib = Decode(png, LogProgress, reinterpret_cast<std::intptr_t>(&log));
    if (stopAt < 0) {
      EXPECT_EQ(dib.Result, SPI_SUCCESS);
      ASSERT_EQ(log.Calls.size(), 8u) << "once before the rows, once after each";
      for (std::size_t i = 0; i < log.Calls.size(); ++i) {
        EXPECT_EQ(log.Calls[i], std::make_pair(static_cast<std::int32_t>(i), 7)) << "call " << i;
      }
    } else {
      EXPECT_EQ(dib.Result, SPI_ABORT) << "stopped at call " << stopAt;
      EXPECT_EQ(log.Calls.size(), static_cast<std::size_t>(stopAt) + 1) << "no call after the stop";
    }
  }
  EXPECT_EQ(Decode(png, nullptr).Result, SPI_SUCCESS) << "the callback is optional";
}

TEST(TsImagePlugin, ReadsFromAFileAtAnOffsetWhenNotGivenMemory) {
  const TRgbaPicture picture = fixtures::Pattern(6, 4, false);
  TBytes file(10, 'z');
  const TBytes png = fixtures::MakePng(picture, false);
  file.insert(file.end(), png.begin(), png.end());
  const std::string path = fixtures::TempPath("offset.bin");
  fixtures::WriteFile(path, file);

  TPictureInfo info{};
  EXPECT_EQ(GetPictureInfo(path.c_str(), 10, 0, &info), SPI_SUCCESS);
  EXPECT_EQ(info.width, 6);
  TSpiHandle header = nullptr;
  TSpiHandle bits = nullptr;
  ASSERT_EQ(GetPicture(path.c_str(), 10, 0, &header, &bits, Proceed, 0), SPI_SUCCESS);
  TSpiBlock headerBlock(header);
  TSpiBlock bitsBlock(bits);
  EXPECT_EQ(bitsBlock.Size(), 4u * 20);

  EXPECT_EQ(GetPictureInfo(path.c_str(), 0, 0, &info), SPI_UNKNOWN_FORMAT)
      << "offset 0 starts in the junk";
  EXPECT_EQ(GetPictureInfo(path.c_str(), 100000, 0, &info), SPI_FILE_READ_ERROR)
      << "offset past the end";
  EXPECT_EQ(GetPictureInfo(path.c_str(), -1, 0, &info), SPI_FILE_READ_ERROR);
  std::remove(path.c_str());
  EXPECT_EQ(GetPictureInfo(path.c_str(), 10, 0, &info), SPI_FILE_READ_ERROR) << "missing file";
}

#ifdef _WIN32
TEST(TsImagePlugin, ReadsTheHeadThroughAFileHandleAndPutsThePositionBack) {
  const std::string path = fixtures::TempPath("handle.bin");
  TBytes file(5, 'z');
  const TBytes png = fixtures::MakePng(fixtures::Pattern(3, 3, false), false);
  file.insert(file.end(), png.begin(), png.end());
  fixtures::WriteFile(path, file);
  HANDLE handle = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(handle, INVALID_HANDLE_VALUE);
  struct TCase {
    LONG Position;
    bool Supported;
  };
  for (const TCase c : {TCase{5, true}, TCase{0, false}, TCase{6, false}}) {
    ::SetFilePointer(handle, c.Position, nullptr, FILE_BEGIN);
    EXPECT_EQ(IsSupported("", reinterpret_cast<std::uintptr_t>(handle)) != 0, c.Supported)
        << "from " << c.Position;
    EXPECT_EQ(::SetFilePointer(handle, 0, nullptr, FILE_CURRENT), static_cast<DWORD>(c.Position))
        << "the position is put back";
  }
  ::CloseHandle(handle);
  std::remove(path.c_str());
}
#endif

TEST(TsImagePlugin, RefusesMissingOutputPlaces) {
  const TBytes png = fixtures::MakePng(fixtures::Pattern(2, 2, false), false);
  const TProbe probe(png);
  TSpiHandle handle = nullptr;
  EXPECT_EQ(GetPictureInfo(probe.Data(), probe.Length, SPI_INPUT_MEMORY, nullptr),
            SPI_MEMORY_ERROR);
  EXPECT_EQ(GetPicture(probe.Data(), probe.Length, SPI_INPUT_MEMORY, nullptr, &handle, Proceed, 0),
            SPI_MEMORY_ERROR);
  EXPECT_EQ(GetPicture(probe.Data(), probe.Length, SPI_INPUT_MEMORY, &handle, nullptr, Proceed, 0),
            SPI_MEMORY_ERROR);
  EXPECT_EQ(GetPicture(nullptr, 10, SPI_INPUT_MEMORY, &handle, &handle, Proceed, 0),
            SPI_MEMORY_ERROR);
  EXPECT_EQ(GetPicture(probe.Data(), -5, SPI_INPUT_MEMORY, &handle, &handle, Proceed, 0),
            SPI_BROKEN_DATA);
  EXPECT_EQ(handle, nullptr);
}

}  // namespace
