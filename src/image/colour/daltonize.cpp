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

// The luminance of linear light in 15 fraction bits (0.2126, 0.7152, 0.0722, summing to one).
constexpr int kLuminance[3] = {6966, 23436, 2366};

// value / divisor rounded half away from zero, for a positive divisor.
int RoundedDivide(int value, int divisor) {
  return (value >= 0 ? value + divisor / 2 : value - divisor / 2) / divisor;
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
        int moved[3];
        for (int k = 0; k < 3; ++k) {
          const int spread = e[3 * k] * err[0] + e[3 * k + 1] * err[1] + e[3 * k + 2] * err[2];
          moved[k] = RoundedDivide(spread, 10);  // E is in tenths
        }
        // What the move added to the luminance, taken off all three channels alike.
        const int gained = RoundedDivide(
            kLuminance[0] * moved[0] + kLuminance[1] * moved[1] + kLuminance[2] * moved[2], 32768);
        for (int k = 0; k < 3; ++k) p[i + 2 - k] = LinearToSrgb(x[k] + moved[k] - gained);
      }
    }
  };
}
