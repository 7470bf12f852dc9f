#include "image/analysis.h"

#include <cstdint>

#include "image/bitmap.h"

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

template <int C>
void ScalarRow(std::uint8_t* row, int width) {
  ScalarPixels<C>(row, width);
}

#if TS_ANALYSIS_SSE2
#if defined(__i386__) && !defined(__SSE2__)
// The 32-bit build is not compiled for SSE2 as a whole; these functions are, and run only where
// the processor has it.
#define TS_SSE2_TARGET __attribute__((target("sse2")))
#else
#define TS_SSE2_TARGET
#endif

// Bytes `d` places further along a 48-byte block of three registers: lane j of the result holds
// byte 16k + j + d of the block. Lanes that would come from outside the block are 0; no pixel
// straddles a block (48 = 16 pixels), so no rewritten byte needs them.
template <int D>
TS_SSE2_TARGET inline __m128i Neighbour(__m128i previous, __m128i current, __m128i next) {
  if constexpr (D == -2) {
    return _mm_or_si128(_mm_slli_si128(current, 2), _mm_srli_si128(previous, 14));
  } else if constexpr (D == -1) {
    return _mm_or_si128(_mm_slli_si128(current, 1), _mm_srli_si128(previous, 15));
  } else if constexpr (D == 1) {
    return _mm_or_si128(_mm_srli_si128(current, 1), _mm_slli_si128(next, 15));
  } else {
    static_assert(D == 2);
    return _mm_or_si128(_mm_srli_si128(current, 2), _mm_slli_si128(next, 14));
  }
}

// (a + b) >> 1 per byte: the processor's average rounds up, so the dropped half is taken off
// where the sum was odd.
TS_SSE2_TARGET inline __m128i FloorMean(__m128i a, __m128i b) {
  const __m128i odd = _mm_and_si128(_mm_xor_si128(a, b), _mm_set1_epi8(1));
  return _mm_sub_epi8(_mm_avg_epu8(a, b), odd);
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
  const __m128i zero = _mm_setzero_si128();

  const int blocks = width / 16;
  std::uint8_t* p = row;
  for (int b = 0; b < blocks; ++b, p += 48) {
    auto* v = reinterpret_cast<__m128i*>(p);
    const __m128i a0 = _mm_loadu_si128(v);
    const __m128i a1 = _mm_loadu_si128(v + 1);
    const __m128i a2 = _mm_loadu_si128(v + 2);
    __m128i r0, r1, r2;
    if constexpr (C < 3) {
      r0 = zero;
      r1 = zero;
      r2 = zero;
    } else {
      r0 = FloorMean(Neighbour<d1>(zero, a0, a1), Neighbour<d2>(zero, a0, a1));
      r1 = FloorMean(Neighbour<d1>(a0, a1, a2), Neighbour<d2>(a0, a1, a2));
      r2 = FloorMean(Neighbour<d1>(a1, a2, zero), Neighbour<d2>(a1, a2, zero));
    }
    _mm_storeu_si128(v, _mm_or_si128(_mm_andnot_si128(m0, a0), _mm_and_si128(m0, r0)));
    _mm_storeu_si128(v + 1, _mm_or_si128(_mm_andnot_si128(m1, a1), _mm_and_si128(m1, r1)));
    _mm_storeu_si128(v + 2, _mm_or_si128(_mm_andnot_si128(m2, a2), _mm_and_si128(m2, r2)));
  }
  ScalarPixels<C>(p, width - blocks * 16);
}

bool HasSse2() {
#if defined(__SSE2__)
  return true;
#else
  static const bool has = __builtin_cpu_supports("sse2");
  return has;
#endif
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
  static constexpr TRowPass kScalar[] = {ScalarRow<0>, ScalarRow<1>, ScalarRow<2>,
                                         ScalarRow<3>, ScalarRow<4>, ScalarRow<5>};
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
  for (int y = 0; y < height; ++y) pass(bitmap.RowData(y), width);
}
