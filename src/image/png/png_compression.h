// How our PNG files are compressed: the deflate level and strategy, chosen by measuring size
// against time (bench/png_level_bench.cpp), and how many threads share the work.
#pragma once

#include <cstdint>

// zlib's strategies that suit filtered image rows.
enum class TPngStrategy { psDefault, psFiltered, psRle };

// Level 8 with the filtered strategy, measured with bench/png_level_bench.cpp on the pictures of
// bench/png_bench.sh (one thread, CPU time): against level 6 it makes a 12-megapixel photo 2.5%
// smaller (12.65 MB, 12.4 s), a contact sheet 4% and a screenshot 3.5%, for about twice the time;
// level 9 gains at most 0.4% more for 20% more time. The filtered strategy beats the default by
// 1 to 2% at every level from 4 up. Cheaper points for the photo: the run-length strategy
// (12.92 MB, 0.5 s), level 6 (12.97 MB, 6 s); they make screenshots and sheets 5 to 45% larger.
struct TPngCompression {
  int Level = 8;  // zlib's 1 (fastest) to 9 (smallest)
  TPngStrategy Strategy = TPngStrategy::psFiltered;
  // Threads that compress blocks side by side; 0: one per processor, at most kMaxPngThreads.
  // The file's bytes do not depend on it.
  int Threads = 0;
  // The filtered bytes of one block, each compressed on its own but primed with the 32 KB
  // before it, so that the split costs a few bytes per block. The file's bytes depend on it.
  std::int64_t BlockBytes = std::int64_t{1} << 18;
};

inline constexpr int kMaxPngThreads = 4;
