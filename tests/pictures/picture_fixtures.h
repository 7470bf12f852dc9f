// Small pictures in the formats our plug-in decodes, made in memory for the tests, together with
// the pixels they hold.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace fixtures {

using TBytes = std::vector<std::uint8_t>;

// Pixels as the tests compare them: rows from the top, RGBA per pixel.
struct TRgbaPicture {
  int Width = 0;
  int Height = 0;
  std::vector<std::uint8_t> Rgba;

  const std::uint8_t* At(int x, int y) const {
    return Rgba.data() + (static_cast<std::size_t>(y) * Width + x) * 4;
  }
};

// A picture whose every pixel differs from its neighbours; alpha varies when `withAlpha`,
// else it is 255.
TRgbaPicture Pattern(int width, int height, bool withAlpha);

// Encoders. The PNG, TGA, PNM and PSD files hold the pattern's pixels exactly; JPEG is lossy.
TBytes MakePng(const TRgbaPicture& picture, bool withAlpha);
TBytes MakeJpeg(const TRgbaPicture& picture, int quality);
TBytes MakeTga(const TRgbaPicture& picture, bool runLength);
TBytes MakePnm(const TRgbaPicture& picture);  // binary P6
TBytes MakePsd(const TRgbaPicture& picture);  // 3 channels, uncompressed
// A Radiance HDR file whose channels all hold the `levels` (linear, 0..1) in turn.
TBytes MakeHdr(int width, int height, const std::vector<float>& levels);

// A 2 x 2 GIF: palette entries 0..3 in reading order, entry 3 transparent.
TBytes MakeGif2x2();
// The GIF's palette, as RGB triples.
extern const std::uint8_t kGifPalette[4][3];

// Writes `bytes` to a new file under `path`.
void WriteFile(const std::string& path, const TBytes& bytes);
// A path for a scratch file, unique to this process and `name`.
std::string TempPath(const std::string& name);

}  // namespace fixtures
