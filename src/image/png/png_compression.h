// How our PNG files are compressed: the deflate level and strategy, chosen by measuring size
// against time (bench/png_level_bench.cpp), and how many threads share the work.
#pragma once

#include <cstdint>

// zlib's strategies that suit filtered image rows.
enum class TPngStrategy { psDefault, psFiltered, psRle };

struct TPngCompression {
  int Level = 6;  // zlib's 1 (fastest) to 9 (smallest)
  TPngStrategy Strategy = TPngStrategy::psDefault;
  // Threads that compress blocks side by side; 0: one per processor, at most kMaxPngThreads.
  // The file's bytes do not depend on it.
  int Threads = 0;
  // The filtered bytes of one block, each compressed on its own but primed with the 32 KB
  // before it, so that the split costs a few bytes per block. The file's bytes depend on it.
  std::int64_t BlockBytes = std::int64_t{1} << 18;
};

inline constexpr int kMaxPngThreads = 4;
