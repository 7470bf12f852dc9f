#include "image/colour/analysis.h"

#include <cstdint>

#include "image/bitmap.h"
#include "image/colour/cpu_features.h"

#if defined(__x86_64__) || defined(__i386__)
#include <emmintrin.h>
#define TS_ANALYSIS_SSE2 1
#else
#define TS_ANALYSIS_SSE2 0
#endif

namespace {

using TRowPass = void (*)(std::uint8_t* row, int width);

// The byte of a pixel (blue 0, green 1, red 2) that condition `C` rewrites.
template <int C>
constexpr int kTarget = C % 3 == 0 ? 2 : C % 3 == 1 ? 1 : 0;

// The mean of two channels, formed wider than 8 bits and rounded down.
inline std::uint8_t Mean(std::uint8_t a, std::uint8_t b) {
  return static_cast<std::uint8_t>((static_cast<int>(a) + static_cast<int>(b)) >> 1);
}

template <int C>
void ScalarPixels(std::uint8_t* p, int count) {
  constexpr int t = kTarget<C>;
  for (int x = 0; x < count; ++x, p += 3) {
    if constexpr (C < 3) {
      p[t] = 0;
    } else {
      p[t] = Mean(p[(t + 1) % 3], p[(t + 2) % 3]);
    }
  }
}

#if TS_ANALYSIS_SSE2
#if defined(__i386__) && !defined(__SSE2__)
// The 32-bit build is not compiled for SSE2 as a whole; these functions are, and run only where
// the processor has it.
#define TS_SSE2_TARGET __attribute__((target("sse2")))
#else
#define TS_SSE2_TARGET
#endif

// (a + b) >> 1 per byte: the processor's average rounds up, so the dropped half is taken off
// where the sum was odd.
TS_SSE2_TARGET inline __m128i FloorMean(__m128i a, __m128i b) {
  const __m128i odd = _mm_and_si128(_mm_xor_si128(a, b), _mm_set1_epi8(1));
  return _mm_sub_epi8(_mm_avg_epu8(a, b), odd);
}

TS_SSE2_TARGET inline __m128i LoadAt(const std::uint8_t* p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// Lane j holds byte 16 * K + j + D of a block whose registers start at `p`, register K held in
// `own`. Neighbours that would lie outside the block are shifted in from the register itself, so
// a block never loads bytes of the block stored just before it (which processors forward slowly)
// nor past its end; the lanes this leaves 0 are never rewritten. Other neighbours are loaded.
template <int K, int D>
TS_SSE2_TARGET inline __m128i Neighbours(__m128i own, const std::uint8_t* p) {
  if constexpr (K == 0 && D < 0) {
    return _mm_slli_si128(own, -D);
  } else if constexpr (K == 2 && D > 0) {
    return _mm_srli_si128(own, D);
  } else {
    return LoadAt(p + 16 * K + D);
  }
}

// The lanes of register `k` of a block that hold the rewritten byte of their pixel.
template <int T>
TS_SSE2_TARGET inline __m128i TargetLanes(int k) {
  alignas(16) std::uint8_t lanes[16];
  for (int j = 0; j < 16; ++j) lanes[j] = (16 * k + j) % 3 == T ? 0xFF : 0x00;
  return _mm_load_si128(reinterpret_cast<const __m128i*>(lanes));
}

template <int C>
TS_SSE2_TARGET void VectorRow(std::uint8_t* row, int width) {
  constexpr int t = kTarget<C>;
  // The other two bytes of the pixel, as offsets from the rewritten one.
  constexpr int d1 = t == 2 ? -2 : t == 1 ? -1 : 1;
  constexpr int d2 = t == 2 ? -1 : t == 1 ? 1 : 2;
  const __m128i m0 = TargetLanes<t>(0);
  const __m128i m1 = TargetLanes<t>(1);
  const __m128i m2 = TargetLanes<t>(2);

  // Blocks of 16 pixels (48 bytes, three registers). The means need the two other bytes of each
  // rewritten byte's pixel, which lie inside the same block and are not changed by it.
  int x = 0;
  for (; x + 16 <= width; x += 16) {
    std::uint8_t* p = row + 3 * x;
    __m128i* v = reinterpret_cast<__m128i*>(p);
    const __m128i a0 = _mm_loadu_si128(v);
    const __m128i a1 = _mm_loadu_si128(v + 1);
    const __m128i a2 = _mm_loadu_si128(v + 2);
    if constexpr (C < 3) {
      _mm_storeu_si128(v, _mm_andnot_si128(m0, a0));
      _mm_storeu_si128(v + 1, _mm_andnot_si128(m1, a1));
      _mm_storeu_si128(v + 2, _mm_andnot_si128(m2, a2));
    } else {
      const __m128i r0 = FloorMean(Neighbours<0, d1>(a0, p), Neighbours<0, d2>(a0, p));
      const __m128i r1 = FloorMean(Neighbours<1, d1>(a1, p), Neighbours<1, d2>(a1, p));
      const __m128i r2 = FloorMean(Neighbours<2, d1>(a2, p), Neighbours<2, d2>(a2, p));
      _mm_storeu_si128(v, _mm_or_si128(_mm_andnot_si128(m0, a0), _mm_and_si128(m0, r0)));
      _mm_storeu_si128(v + 1, _mm_or_si128(_mm_andnot_si128(m1, a1), _mm_and_si128(m1, r1)));
      _mm_storeu_si128(v + 2, _mm_or_si128(_mm_andnot_si128(m2, a2), _mm_and_si128(m2, r2)));
    }
  }
  if (x < width) ScalarPixels<C>(row + 3 * x, width - x);
}

#endif

// The pass for `condition` (0 to 5), chosen once per picture.
TRowPass PassFor(int condition) {
#if TS_ANALYSIS_SSE2
  if (HasSse2()) {
    static constexpr TRowPass kVector[] = {VectorRow<0>, VectorRow<1>, VectorRow<2>,
                                           VectorRow<3>, VectorRow<4>, VectorRow<5>};
    return kVector[condition];
  }
#endif
  static constexpr TRowPass kScalar[] = {ScalarPixels<0>, ScalarPixels<1>, ScalarPixels<2>,
                                         ScalarPixels<3>, ScalarPixels<4>, ScalarPixels<5>};
  return kScalar[condition];
}

bool IsCondition(int condition) { return condition >= 0 && condition < kAnalysisConditionCount; }

}  // namespace

void ApplyAnalysisConditionToRow(unsigned char* row, int width, int condition) {
  if (!IsCondition(condition) || width <= 0) return;
  PassFor(condition)(row, width);
}

void ApplyAnalysisCondition(TBitmap& bitmap, int condition) {
  if (!IsCondition(condition)) return;
  const TRowPass pass = PassFor(condition);
  const int height = bitmap.Height();
  const int width = bitmap.Width();
  // Every pixel depends on its own bytes alone, so rows are visited in the order they lie in
  // memory, where the processor's prefetching works best: bottom row first in a bottom-up
  // picture.
  if (bitmap.Description().dsBmih.biHeight > 0) {
    for (int y = height - 1; y >= 0; --y) pass(bitmap.RowData(y), width);
  } else {
    for (int y = 0; y < height; ++y) pass(bitmap.RowData(y), width);
  }
}
