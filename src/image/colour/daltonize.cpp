#include "image/colour/daltonize.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "image/colour/srgb_transfer.h"

namespace {

// E in tenths, row-major on [R, G, B].
using TSpread = std::array<int, 9>;
constexpr TSpread kRedGreen = {0, 0, 0, 7, 10, 0, 7, 0, 10};
constexpr TSpread kBlueYellow = {10, 0, 7, 0, 10, -7, 0, 0, 0};

TSpread SpreadFor(TVisionType type) {
  switch (type) {
    case TVisionType::vtTritanopia:
    case TVisionType::vtTritanomaly:
      return kBlueYellow;
    case TVisionType::vtProtanopia:
    case TVisionType::vtDeuteranopia:
    case TVisionType::vtProtanomaly:
    case TVisionType::vtDeuteranomaly:
    case TVisionType::vtAchromatopsia:
      break;
  }
  return kRedGreen;
}

}  // namespace

bool CanDaltonize(TVisionType type) { return type != TVisionType::vtAchromatopsia; }

TRowOperation DaltonizeOperation(TVisionType type, double severity) {
  const TRowOperation simulate = VisionModelOperation(type, severity);
  const TSpread e = SpreadFor(type);
  return [simulate, e](std::uint8_t* row, int width) {
    // Pixels are simulated a chunk at a time into a copy on the stack, so that copies of the
    // operation share nothing.
    constexpr int kChunk = 256;
    std::uint8_t seen[3 * kChunk];
    const std::uint16_t* linear = SrgbToLinearTable();
    for (int start = 0; start < width; start += kChunk) {
      const int count = std::min(kChunk, width - start);
      std::uint8_t* p = row + 3 * start;
      std::memcpy(seen, p, std::size_t{3} * count);
      simulate(seen, count);
      for (int i = 0; i < 3 * count; i += 3) {
        const int x[3] = {linear[p[i + 2]], linear[p[i + 1]], linear[p[i]]};
        const int err[3] = {x[0] - linear[seen[i + 2]], x[1] - linear[seen[i + 1]],
                            x[2] - linear[seen[i]]};
        for (int k = 0; k < 3; ++k) {
          const int spread = e[3 * k] * err[0] + e[3 * k + 1] * err[1] + e[3 * k + 2] * err[2];
          // Tenths, rounded half away from zero.
          const int moved = (spread >= 0 ? spread + 5 : spread - 5) / 10;
          p[i + 2 - k] = LinearToSrgb(x[k] + moved);
        }
      }
    }
  };
}
