// How our PNG files are compressed: the deflate setting, chosen per picture by measuring a
// sample of it (png_deflate_choice.h), and how many threads share the work.
#pragma once

#include <cstdint>
#include <optional>

// zlib's strategies that suit filtered image rows.
enum class TPngStrategy { psDefault, psFiltered, psRle };

// A zlib level and strategy.
struct TPngDeflateSetting {
  int Level = 8;  // zlib's 1 (fastest) to 9 (smallest)
  TPngStrategy Strategy = TPngStrategy::psFiltered;
};

// The two settings a picture is written with, measured with bench/png_level_bench.cpp on the
// pictures of bench/png_bench.sh (one thread, CPU time).
// The deep one, level 8 with the filtered strategy: against level 6 it makes a 12-megapixel
// photo 2.5% smaller (12.65 MB, 12.4 s), a contact sheet 4% and a screenshot 3.5%, for about
// twice the time; level 9 gains at most 0.4% more for 20% more time. The filtered strategy beats
// the default by 1 to 2% at every level from 4 up.
inline constexpr TPngDeflateSetting kDeepDeflate{8, TPngStrategy::psFiltered};
// The fast one, the run-length strategy (its level changes nothing but the header): the photo
// 12.92 MB in 0.55 s. On the photo it is smaller and faster than every level from 1 to 5
// filtered (level 4: 13.14 MB, 1.5 s; level 5: 13.01 MB, 2.4 s); level 6 (12.79 MB, 6.3 s) is no
// middle worth its time. Screenshots and sheets come out 10 to 50% larger with it.
inline constexpr TPngDeflateSetting kFastDeflate{1, TPngStrategy::psRle};

struct TPngCompression {
  // None: chosen per picture by WritePng (DeflateSettingFor), the same for every thread count.
  // The encoder alone takes kDeepDeflate when none is given.
  std::optional<TPngDeflateSetting> Setting = std::nullopt;
  // Threads that compress blocks side by side; 0: one per processor, at most kMaxPngThreads.
  // The file's bytes do not depend on it.
  int Threads = 0;
  // The filtered bytes of one block, each compressed on its own but primed with the 32 KB
  // before it, so that the split costs a few bytes per block. The file's bytes depend on it.
  std::int64_t BlockBytes = std::int64_t{1} << 18;
};

inline constexpr int kMaxPngThreads = 4;

// zlib's number for `strategy`.
int ZlibStrategy(TPngStrategy strategy);
