#include "image/bmp/rle_decoder.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr std::uint32_t kUntouched = 0xDEADBEEF;

// Colour i is simply i, so the decoded pixels read as the indices that were encoded.
std::array<std::uint32_t, 256> IdentityColours() {
  std::array<std::uint32_t, 256> colours{};
  for (std::uint32_t i = 0; i < 256; ++i) colours[i] = i;
  return colours;
}

// Decodes into a target of exactly width x height pixels and renders each row as text: one
// hex digit per index, '.' where the decoder wrote nothing.
std::vector<std::string> Decode(TRleEncoding encoding, std::vector<std::uint8_t> source,
                                int width, int height) {
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height, kUntouched);
  const auto colours = IdentityColours();
  DecodeRle(encoding, source, colours,
            TRleTarget{reinterpret_cast<std::uint8_t*>(pixels.data()),
                       static_cast<std::ptrdiff_t>(width) * 4, width, height});
  std::vector<std::string> rows;
  for (int y = 0; y < height; ++y) {
    std::string row;
    for (int x = 0; x < width; ++x) {
      const std::uint32_t p = pixels[static_cast<std::size_t>(y) * width + x];
      row += p == kUntouched ? '.' : "0123456789ABCDEF"[p & 0xF];
    }
    rows.push_back(row);
  }
  return rows;
}

TEST(RleDecoding, ProducesThePixelsOfThePublishedEncoding) {
  struct Case {
    const char* name;
    TRleEncoding encoding;
    int width, height;
    std::vector<std::uint8_t> source;
    std::vector<std::string> expected;  // rows in the order the data stores them
  };
  const TRleEncoding k8 = TRleEncoding::reRle8, k4 = TRleEncoding::reRle4;
  const Case cases[] = {
      {"runs, end of line, end of bitmap", k8, 4, 2,
       {0x03, 0x05, 0x00, 0x00, 0x02, 0x07, 0x00, 0x01}, {"555.", "77.."}},
      {"absolute odd count skips its pad byte", k8, 4, 1,
       {0x00, 0x03, 0x01, 0x02, 0x03, 0x00, 0x01, 0x04, 0x00, 0x01}, {"1234"}},
      {"delta moves right and to a later row", k8, 4, 2,
       {0x01, 0x01, 0x00, 0x02, 0x02, 0x01, 0x01, 0x02, 0x00, 0x01}, {"1...", "...2"}},
      {"a run past the row's end is cut, not wrapped", k8, 3, 2,
       {0x05, 0x09, 0x00, 0x00, 0x01, 0x08, 0x00, 0x01}, {"999", "8.."}},
      {"absolute pixels past the row's end are cut", k8, 2, 2,
       {0x00, 0x03, 0x01, 0x02, 0x03, 0x00, 0x00, 0x00, 0x01, 0x04}, {"12", "4."}},
      {"data after the last row is ignored", k8, 2, 1,
       {0x01, 0x01, 0x00, 0x00, 0x02, 0x02, 0x02, 0x03}, {"1."}},
      {"source ending inside absolute pixels draws what is there", k8, 4, 1,
       {0x00, 0x04, 0x01, 0x02}, {"12.."}},
      {"a lone trailing byte is ignored", k8, 4, 1, {0x02, 0x03, 0x05}, {"33.."}},
      {"a delta past the last row ends the picture", k8, 2, 2,
       {0x00, 0x02, 0x00, 0x05, 0x01, 0x01}, {"..", ".."}},
      {"a delta cut short leaves the picture", k8, 2, 1, {0x00, 0x02, 0x01}, {".."}},
      {"a large delta stays within the row", k8, 3, 2,
       {0x00, 0x02, 0xFF, 0x00, 0x01, 0x05, 0x00, 0x00, 0x01, 0x06}, {"...", "6.."}},
      {"4-bit run alternates high and low nibble", k4, 5, 1, {0x05, 0x12, 0x00, 0x01}, {"12121"}},
      {"4-bit absolute of 5 pixels uses 3 bytes and a pad byte", k4, 6, 1,
       {0x00, 0x05, 0x12, 0x34, 0x50, 0x00, 0x01, 0xF0, 0x00, 0x01}, {"12345F"}},
      {"4-bit absolute of 3 pixels uses 2 bytes, no pad", k4, 4, 1,
       {0x00, 0x03, 0x12, 0x30, 0x01, 0x70, 0x00, 0x01}, {"1237"}},
      {"4-bit absolute past the row's end is cut", k4, 3, 2,
       {0x00, 0x06, 0x12, 0x34, 0x56, 0x00, 0x00, 0x00, 0x02, 0x9A}, {"123", "9A."}},
      {"4-bit source ending inside absolute pixels", k4, 6, 1,
       {0x00, 0x06, 0x12, 0x34}, {"1234.."}},
      {"4-bit delta", k4, 3, 3, {0x00, 0x02, 0x01, 0x02, 0x02, 0xCD}, {"...", "...", ".CD"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Decode(c.encoding, c.source, c.width, c.height), c.expected) << c.name;
  }
}

TEST(RleDecoding, LooksColoursUpInTheTableAndFollowsTheStride) {
  // Two rows of 2 pixels, 16 bytes apart: the bytes between them stay as they were.
  std::array<std::uint32_t, 256> colours{};
  colours[0x12] = 0x00112233;
  colours[0xFF] = 0x00FFEEDD;
  std::vector<std::uint32_t> pixels(8, kUntouched);
  const std::vector<std::uint8_t> source = {0x02, 0x12, 0x00, 0x00, 0x01, 0xFF, 0x00, 0x01};
  DecodeRle(TRleEncoding::reRle8, source, colours,
            TRleTarget{reinterpret_cast<std::uint8_t*>(pixels.data()), 16, 2, 2});
  EXPECT_EQ(pixels, (std::vector<std::uint32_t>{0x00112233, 0x00112233, kUntouched, kUntouched,
                                                 0x00FFEEDD, kUntouched, kUntouched, kUntouched}));
}

// Arbitrary data must never make the decoder leave its buffers; the sanitizer builds turn a
// stray access into a failure, the plain build checks the guard words around the target.
TEST(RleDecoding, ArbitraryDataStaysInsideItsBuffers) {
  std::mt19937 random(12345);
  const auto colours = IdentityColours();
  for (int round = 0; round < 3000; ++round) {
    const int width = 1 + static_cast<int>(random() % 9);
    const int height = 1 + static_cast<int>(random() % 5);
    std::vector<std::uint8_t> source(random() % 64);
    for (auto& b : source) b = static_cast<std::uint8_t>(random() % 4 == 0 ? 0 : random());
    const std::size_t count = static_cast<std::size_t>(width) * height;
    std::vector<std::uint32_t> pixels(count + 2, kUntouched);
    DecodeRle(round % 2 ? TRleEncoding::reRle8 : TRleEncoding::reRle4, source, colours,
              TRleTarget{reinterpret_cast<std::uint8_t*>(pixels.data() + 1),
                         static_cast<std::ptrdiff_t>(width) * 4, width, height});
    ASSERT_EQ(pixels.front(), kUntouched) << "round " << round;
    ASSERT_EQ(pixels.back(), kUntouched) << "round " << round;
  }
}

}  // namespace
