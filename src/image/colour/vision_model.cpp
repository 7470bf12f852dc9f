#include "image/colour/vision_model.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>

#include "image/colour/cpu_features.h"
#include "image/colour/srgb_transfer.h"

#if defined(__x86_64__) || defined(__i386__)
#include <emmintrin.h>
#define TS_VISION_SSE2 1
#else
#define TS_VISION_SSE2 0
#endif

namespace {

// A matrix on linear [R, G, B], row-major.
using TMatrix = std::array<double, 9>;

// Machado et al. (2009), severity 0.0 to 1.0 in tenths.
constexpr TMatrix kProtan[11] = {
    {1.000000, 0.000000, 0.000000, 0.000000, 1.000000, 0.000000, 0.000000, 0.000000, 1.000000},
    {0.856167, 0.182038, -0.038205, 0.029342, 0.955115, 0.015544, -0.002880, -0.001563, 1.004443},
    {0.734766, 0.334872, -0.069637, 0.051840, 0.919198, 0.028963, -0.004928, -0.004209, 1.009137},
    {0.630323, 0.465641, -0.095964, 0.069181, 0.890046, 0.040773, -0.006308, -0.007724, 1.014032},
    {0.539009, 0.579343, -0.118352, 0.082546, 0.866121, 0.051332, -0.007136, -0.011959, 1.019095},
    {0.458064, 0.679578, -0.137642, 0.092785, 0.846313, 0.060902, -0.007494, -0.016807, 1.024301},
    {0.385450, 0.769005, -0.154455, 0.100526, 0.829802, 0.069673, -0.007442, -0.022190, 1.029632},
    {0.319627, 0.849633, -0.169261, 0.106241, 0.815969, 0.077790, -0.007025, -0.028051, 1.035076},
    {0.259411, 0.923008, -0.182420, 0.110296, 0.804340, 0.085364, -0.006276, -0.034346, 1.040622},
    {0.203876, 0.990338, -0.194214, 0.112975, 0.794542, 0.092483, -0.005222, -0.041043, 1.046265},
    {0.152286, 1.052583, -0.204868, 0.114503, 0.786281, 0.099216, -0.003882, -0.048116, 1.051998},
};
constexpr TMatrix kDeutan[11] = {
    {1.000000, 0.000000, 0.000000, 0.000000, 1.000000, 0.000000, 0.000000, 0.000000, 1.000000},
    {0.866435, 0.177704, -0.044139, 0.049567, 0.939063, 0.011370, -0.003453, 0.007233, 0.996220},
    {0.760729, 0.319078, -0.079807, 0.090568, 0.889315, 0.020117, -0.006027, 0.013325, 0.992702},
    {0.675425, 0.433850, -0.109275, 0.125303, 0.847755, 0.026942, -0.007950, 0.018572, 0.989378},
    {0.605511, 0.528560, -0.134071, 0.155318, 0.812366, 0.032316, -0.009376, 0.023176, 0.986200},
    {0.547494, 0.607765, -0.155259, 0.181692, 0.781742, 0.036566, -0.010410, 0.027275, 0.983136},
    {0.498864, 0.674741, -0.173604, 0.205199, 0.754872, 0.039929, -0.011131, 0.030969, 0.980162},
    {0.457771, 0.731899, -0.189670, 0.226409, 0.731012, 0.042579, -0.011595, 0.034333, 0.977261},
    {0.422823, 0.781057, -0.203881, 0.245752, 0.709602, 0.044646, -0.011843, 0.037423, 0.974421},
    {0.392952, 0.823610, -0.216562, 0.263559, 0.690210, 0.046232, -0.011910, 0.040281, 0.971630},
    {0.367322, 0.860646, -0.227968, 0.280085, 0.672501, 0.047413, -0.011820, 0.042940, 0.968881},
};
constexpr TMatrix kTritan[11] = {
    {1.000000, 0.000000, 0.000000, 0.000000, 1.000000, 0.000000, 0.000000, 0.000000, 1.000000},
    {0.926670, 0.092514, -0.019184, 0.021191, 0.964503, 0.014306, 0.008437, 0.054813, 0.936750},
    {0.895720, 0.133330, -0.029050, 0.029997, 0.945400, 0.024603, 0.013027, 0.104707, 0.882266},
    {0.905871, 0.127791, -0.033662, 0.026856, 0.941251, 0.031893, 0.013410, 0.148296, 0.838294},
    {0.948035, 0.089490, -0.037526, 0.014364, 0.946792, 0.038844, 0.010853, 0.193991, 0.795156},
    {1.017277, 0.027029, -0.044306, -0.006113, 0.958479, 0.047634, 0.006379, 0.248708, 0.744913},
    {1.104996, -0.046633, -0.058363, -0.032137, 0.971635, 0.060503, 0.001336, 0.317922, 0.680742},
    {1.193214, -0.109812, -0.083402, -0.058496, 0.979410, 0.079086, -0.002346, 0.403492, 0.598854},
    {1.257728, -0.139648, -0.118081, -0.078003, 0.975409, 0.102594, -0.003316, 0.501214, 0.502102},
    {1.278864, -0.125333, -0.153531, -0.084748, 0.957674, 0.127074, -0.000989, 0.601151, 0.399838},
    {1.255528, -0.076749, -0.178779, -0.078411, 0.930809, 0.147602, 0.004733, 0.691367, 0.303900},
};

// Brettel et al. (1997) for tritanopia: A where kTritanPlane . rgb >= 0, else B.
constexpr TMatrix kTritanopiaA = {1.0135416153,  0.1426823107, -0.1562239260,
                                  -0.0118053648, 0.8756118317, 0.1361935331,
                                  0.0770725345,  0.8120809125, 0.1108465530};
constexpr TMatrix kTritanopiaB = {0.9333697629,  0.1999900499, -0.1333598129,
                                  0.0580871806,  0.8256518564, 0.1162609631,
                                  -0.3792281148, 1.1382497342, 0.2409783807};
constexpr std::array<double, 3> kTritanPlane = {0.0396009507, -0.0283072037, -0.0112937470};

constexpr TMatrix kLuminance = {0.2126, 0.7152, 0.0722, 0.2126, 0.7152,
                                0.0722, 0.2126, 0.7152, 0.0722};

// Coefficients in fixed point with 14 fraction bits: every entry (below 2 in magnitude) fits 16
// bits, and three products of a 15-bit linear value with them fit 32.
constexpr int kCoefficientShift = 14;
constexpr int kCoefficientOne = 1 << kCoefficientShift;
constexpr int kRounding = kCoefficientOne / 2;

// A model as the row passes use it. Two-sided models take B where the plane's product is
// negative; one-sided ones have B equal to A.
struct TFixedModel {
  std::array<std::int16_t, 9> A;
  std::array<std::int16_t, 9> B;
  std::array<std::int16_t, 3> Plane;
};

// The entries of `m` in fixed point. Each row's diagonal entry takes what rounding the others
// left over, so that rows sum to exactly one (as the published rows do within 1e-5): greys,
// black and white come out exactly as they went in.
std::array<std::int16_t, 9> Fixed(const TMatrix& m) {
  std::array<std::int16_t, 9> fixed{};
  for (int row = 0; row < 3; ++row) {
    int sum = 0;
    for (int column = 0; column < 3; ++column) {
      if (column == row) continue;
      const int value = static_cast<int>(std::lround(m[3 * row + column] * kCoefficientOne));
      fixed[3 * row + column] = static_cast<std::int16_t>(value);
      sum += value;
    }
    fixed[4 * row] = static_cast<std::int16_t>(kCoefficientOne - sum);
  }
  return fixed;
}

// The published matrices at `severity`, each entry interpolated between the two tenths around it.
TMatrix AtSeverity(const TMatrix (&steps)[11], double severity) {
  const double position = std::clamp(severity, 0.0, 1.0) * 10;
  const int below = std::min(static_cast<int>(position), 9);
  const double t = position - below;
  TMatrix m{};
  for (int i = 0; i < 9; ++i) m[i] = steps[below][i] * (1 - t) + steps[below + 1][i] * t;
  return m;
}

TFixedModel OneSided(const TMatrix& m) {
  const std::array<std::int16_t, 9> fixed = Fixed(m);
  return {fixed, fixed, {0, 0, 0}};
}

TFixedModel MakeModel(TVisionType type, double severity) {
  switch (type) {
    case TVisionType::vtProtanopia:
      return OneSided(kProtan[10]);
    case TVisionType::vtDeuteranopia:
      return OneSided(kDeutan[10]);
    case TVisionType::vtProtanomaly:
      return OneSided(AtSeverity(kProtan, severity));
    case TVisionType::vtDeuteranomaly:
      return OneSided(AtSeverity(kDeutan, severity));
    case TVisionType::vtTritanomaly:
      return OneSided(AtSeverity(kTritan, severity));
    case TVisionType::vtAchromatopsia:
      return OneSided(kLuminance);
    case TVisionType::vtTritanopia: {
      // Only the sign of the plane's product counts: scaled so that its largest entry is one, its
      // entries keep their precision in fixed point. They sum to zero, so greys lie on the plane.
      const auto plane0 = static_cast<std::int16_t>(kCoefficientOne);
      const auto plane1 = static_cast<std::int16_t>(
          std::lround(kTritanPlane[1] / kTritanPlane[0] * kCoefficientOne));
      return {Fixed(kTritanopiaA),
              Fixed(kTritanopiaB),
              {plane0, plane1, static_cast<std::int16_t>(-plane0 - plane1)}};
    }
  }
  return OneSided(kProtan[0]);
}

// Pixels are taken in chunks: decoded into linear values laid out for the products, multiplied,
// then encoded back, so that the middle step runs without table look-ups.
constexpr int kChunk = 64;

struct TChunk {
  // Per pixel i: [2i] red, [2i + 1] green; and [2i] blue, [2i + 1] the constant 1 that brings in
  // the rounding term.
  alignas(16) std::int16_t RedGreen[2 * kChunk];
  alignas(16) std::int16_t BlueOne[2 * kChunk];
  // Per channel (red, green, blue) and pixel: the index into the encoding table.
  alignas(16) std::int16_t Encoded[3][kChunk];
};

void DecodeChunk(const std::uint8_t* p, int count, TChunk& chunk) {
  const std::uint16_t* linear = SrgbToLinearTable();
  for (int i = 0; i < count; ++i, p += 3) {
    chunk.RedGreen[2 * i] = static_cast<std::int16_t>(linear[p[2]]);
    chunk.RedGreen[2 * i + 1] = static_cast<std::int16_t>(linear[p[1]]);
    chunk.BlueOne[2 * i] = static_cast<std::int16_t>(linear[p[0]]);
    chunk.BlueOne[2 * i + 1] = 1;
  }
}

void EncodeChunk(const TChunk& chunk, int count, std::uint8_t* p) {
  const std::uint8_t* srgb = LinearToSrgbTable();
  for (int i = 0; i < count; ++i, p += 3) {
    p[2] = srgb[chunk.Encoded[0][i]];
    p[1] = srgb[chunk.Encoded[1][i]];
    p[0] = srgb[chunk.Encoded[2][i]];
  }
}

// Row `k` of `m` applied to pixel i of the chunk, before the shift.
inline int Product(const std::array<std::int16_t, 9>& m, int k, const TChunk& chunk, int i) {
  return m[3 * k] * chunk.RedGreen[2 * i] + m[3 * k + 1] * chunk.RedGreen[2 * i + 1] +
         m[3 * k + 2] * chunk.BlueOne[2 * i] + kRounding;
}

template <bool TwoSided>
void ScalarProducts(const TFixedModel& model, TChunk& chunk, int count) {
  for (int i = 0; i < count; ++i) {
    const bool sideA = !TwoSided || model.Plane[0] * chunk.RedGreen[2 * i] +
                                            model.Plane[1] * chunk.RedGreen[2 * i + 1] +
                                            model.Plane[2] * chunk.BlueOne[2 * i] >=
                                        0;
    const std::array<std::int16_t, 9>& m = sideA ? model.A : model.B;
    for (int k = 0; k < 3; ++k) {
      const int linear = std::clamp(Product(m, k, chunk, i) >> kCoefficientShift, 0, kLinearOne);
      chunk.Encoded[k][i] = static_cast<std::int16_t>(linear >> kEncodeShift);
    }
  }
}

#if TS_VISION_SSE2
#if defined(__i386__) && !defined(__SSE2__)
// The 32-bit build is not compiled for SSE2 as a whole; these functions are, and run only where
// the processor has it.
#define TS_SSE2_TARGET __attribute__((target("sse2")))
#else
#define TS_SSE2_TARGET
#endif

// The coefficients of one matrix row as madd operands: (red, green) pairs and (blue, rounding)
// pairs, four pixels to a register.
struct TRowPairs {
  __m128i RedGreen;
  __m128i BlueOne;
};

// Two 16-bit coefficients in every 32-bit lane: `low` for the first value of a pair, `high` for
// the second.
TS_SSE2_TARGET inline __m128i PairOf(int low, int high) {
  return _mm_set1_epi32(static_cast<int>(static_cast<std::uint16_t>(low)) |
                        static_cast<int>(static_cast<std::uint32_t>(high) << 16));
}

TS_SSE2_TARGET inline TRowPairs Pairs(const std::array<std::int16_t, 9>& m, int k, int rounding) {
  return {PairOf(m[3 * k], m[3 * k + 1]), PairOf(m[3 * k + 2], rounding)};
}

TS_SSE2_TARGET inline __m128i Madd(__m128i rg, __m128i b1, const TRowPairs& row) {
  return _mm_add_epi32(_mm_madd_epi16(rg, row.RedGreen), _mm_madd_epi16(b1, row.BlueOne));
}

// Eight pixels (i to i + 7; the chunk's arrays are padded to a multiple of eight) through every
// row: the products of both sides where there are two, the side chosen per lane by a mask, then
// shift, clamp (the signed pack saturates above, the maximum with 0 below) and the table index.
template <bool TwoSided>
TS_SSE2_TARGET void VectorProducts(const TFixedModel& model, TChunk& chunk, int count) {
  TRowPairs a[3];
  TRowPairs b[3];
  for (int k = 0; k < 3; ++k) {
    a[k] = Pairs(model.A, k, kRounding);
    b[k] = Pairs(model.B, k, kRounding);
  }
  const std::array<std::int16_t, 9> planeRow = {model.Plane[0], model.Plane[1], model.Plane[2]};
  const TRowPairs plane = Pairs(planeRow, 0, 0);
  const __m128i zero = _mm_setzero_si128();
  const auto* rg = reinterpret_cast<const __m128i*>(chunk.RedGreen);
  const auto* b1 = reinterpret_cast<const __m128i*>(chunk.BlueOne);
  for (int i = 0; i < count; i += 8, rg += 2, b1 += 2) {
    const __m128i rgLow = _mm_load_si128(rg);
    const __m128i rgHigh = _mm_load_si128(rg + 1);
    const __m128i b1Low = _mm_load_si128(b1);
    const __m128i b1High = _mm_load_si128(b1 + 1);
    __m128i sideALow = zero;
    __m128i sideAHigh = zero;
    if constexpr (TwoSided) {
      const __m128i minusOne = _mm_set1_epi32(-1);
      sideALow = _mm_cmpgt_epi32(Madd(rgLow, b1Low, plane), minusOne);
      sideAHigh = _mm_cmpgt_epi32(Madd(rgHigh, b1High, plane), minusOne);
    }
    for (int k = 0; k < 3; ++k) {
      __m128i low = Madd(rgLow, b1Low, a[k]);
      __m128i high = Madd(rgHigh, b1High, a[k]);
      if constexpr (TwoSided) {
        low = _mm_or_si128(_mm_and_si128(sideALow, low),
                           _mm_andnot_si128(sideALow, Madd(rgLow, b1Low, b[k])));
        high = _mm_or_si128(_mm_and_si128(sideAHigh, high),
                            _mm_andnot_si128(sideAHigh, Madd(rgHigh, b1High, b[k])));
      }
      const __m128i linear = _mm_max_epi16(_mm_packs_epi32(_mm_srai_epi32(low, kCoefficientShift),
                                                           _mm_srai_epi32(high, kCoefficientShift)),
                                           zero);
      _mm_store_si128(reinterpret_cast<__m128i*>(chunk.Encoded[k] + i),
                      _mm_srai_epi16(linear, kEncodeShift));
    }
  }
}

#endif

using TProducts = void (*)(const TFixedModel& model, TChunk& chunk, int count);

template <TProducts Products, int Padding>
void ModelRow(const TFixedModel& model, std::uint8_t* row, int width) {
  TChunk chunk;
  for (int x = 0; x < width; x += kChunk) {
    const int count = std::min(kChunk, width - x);
    DecodeChunk(row + 3 * x, count, chunk);
    // The lanes past the last pixel hold black, so the vector step reads only defined values.
    const int padded = (count + Padding - 1) / Padding * Padding;
    for (int i = count; i < padded; ++i) {
      chunk.RedGreen[2 * i] = chunk.RedGreen[2 * i + 1] = chunk.BlueOne[2 * i] = 0;
      chunk.BlueOne[2 * i + 1] = 1;
    }
    Products(model, chunk, padded);
    EncodeChunk(chunk, count, row + 3 * x);
  }
}

using TModelRow = void (*)(const TFixedModel& model, std::uint8_t* row, int width);

// The pass for a model, chosen once per picture.
TModelRow PassFor(bool twoSided) {
#if TS_VISION_SSE2
  if (HasSse2()) {
    return twoSided ? ModelRow<VectorProducts<true>, 8> : ModelRow<VectorProducts<false>, 8>;
  }
#endif
  return twoSided ? ModelRow<ScalarProducts<true>, 1> : ModelRow<ScalarProducts<false>, 1>;
}

}  // namespace

std::optional<TVisionType> FindVisionType(std::string_view name) {
  for (const TVisionTypeName& entry : kVisionTypeNames) {
    if (entry.Name == name) return entry.Type;
  }
  return std::nullopt;
}

bool HasSeverity(TVisionType type) {
  switch (type) {
    case TVisionType::vtProtanomaly:
    case TVisionType::vtDeuteranomaly:
    case TVisionType::vtTritanomaly:
      return true;
    case TVisionType::vtProtanopia:
    case TVisionType::vtDeuteranopia:
    case TVisionType::vtTritanopia:
    case TVisionType::vtAchromatopsia:
      return false;
  }
  return false;
}

TRowOperation VisionModelOperation(TVisionType type, double severity) {
  auto model = std::make_shared<const TFixedModel>(MakeModel(type, severity));
  const TModelRow pass = PassFor(type == TVisionType::vtTritanopia);
  return [model, pass](std::uint8_t* row, int width) {
    if (width > 0) pass(*model, row, width);
  };
}
