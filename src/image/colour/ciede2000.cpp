#include "image/colour/ciede2000.h"

#include <cmath>
#include <numbers>

namespace {

constexpr double kDegree = std::numbers::pi / 180;

double Pow7(double x) {
  const double x2 = x * x;
  return x2 * x2 * x2 * x;
}

constexpr double k25To7 = 6103515625.0;

// sin x for |x| up to 60° (2Δθ never passes it) by its Taylor series to x^19, whose remainder
// there lies below 3e-18: cheaper than the library's, and the same in every build.
double SinUpTo60Degrees(double x) {
  const double x2 = x * x;
  double sum = 0;
  for (int n = 19; n > 1; n -= 2) sum = (sum + 1) * -x2 / (n * (n - 1));
  return x * (1 + sum);
}

// The hue angle of (a', b') in degrees, in [0, 360); 0 for a grey.
double HueDegrees(double a, double b) {
  if (a == 0 && b == 0) return 0;
  const double h = std::atan2(b, a) / kDegree;
  return h < 0 ? h + 360 : h;
}

// The direction of the mean hue h̄' of two chromatic colours, as (cos h̄', sin h̄'), and the
// signed hue difference ΔH'. The mean hue is the bisector of the shorter arc between the two
// hues, which is what the halved sums with their ±360 cases pick, so it is found from the sum
// of the two unit vectors: no angles, no trigonometric functions. Where the hues are nearly
// opposite that sum nearly vanishes, and the angles themselves are used.
struct THueMean {
  double Cos;
  double Sin;
  double DeltaH;
};

THueMean MeanHue(double a1, double b1, double c1, double a2, double b2, double c2) {
  const double product = c1 * c2;
  const double dot = a1 * a2 + b1 * b2;    // C'1 C'2 cos Δh'
  const double cross = a1 * b2 - b1 * a2;  // C'1 C'2 sin Δh'
  if (dot > -0.99 * product) {
    // ΔH' = 2 sqrt(C'1 C'2) sin(Δh'/2) = ±sqrt(2 C'1 C'2 (1 - cos Δh')), signed as sin Δh'.
    const double deltaH = std::copysign(std::sqrt(std::fmax(0.0, 2 * (product - dot))), cross);
    const double x = a1 / c1 + a2 / c2;
    const double y = b1 / c1 + b2 / c2;
    const double length = std::sqrt(x * x + y * y);
    return {x / length, y / length, deltaH};
  }
  const double h1 = HueDegrees(a1, b1);
  const double h2 = HueDegrees(a2, b2);
  double dh = h2 - h1;
  if (dh > 180) dh -= 360;
  if (dh < -180) dh += 360;
  double mean = (h1 + h2) / 2;
  if (std::fabs(h1 - h2) > 180) mean += h1 + h2 < 360 ? 180 : -180;
  return {std::cos(mean * kDegree), std::sin(mean * kDegree),
          2 * std::sqrt(product) * std::sin(dh / 2 * kDegree)};
}

}  // namespace

double Ciede2000(const TLab& first, const TLab& second) {
  const double c1 = std::sqrt(first.A * first.A + first.B * first.B);
  const double c2 = std::sqrt(second.A * second.A + second.B * second.B);
  const double cMean7 = Pow7((c1 + c2) / 2);
  const double g = 0.5 * (1 - std::sqrt(cMean7 / (cMean7 + k25To7)));
  const double a1 = (1 + g) * first.A;
  const double a2 = (1 + g) * second.A;
  const double c1p = std::sqrt(a1 * a1 + first.B * first.B);
  const double c2p = std::sqrt(a2 * a2 + second.B * second.B);

  THueMean hue{1, 0, 0};
  if (c1p * c2p != 0) {
    hue = MeanHue(a1, first.B, c1p, a2, second.B, c2p);
  } else if (c1p + c2p != 0) {
    // One grey: no hue difference, and the mean hue is the other colour's hue.
    const double a = a1 + a2;
    const double b = first.B + second.B;
    hue = {a / (c1p + c2p), b / (c1p + c2p), 0};
  }

  const double dL = second.L - first.L;
  const double dC = c2p - c1p;
  const double lMean = (first.L + second.L) / 2;
  const double cMeanP = (c1p + c2p) / 2;

  // T from cos and sin of h̄' by the multiple-angle identities.
  const double cos1 = hue.Cos;
  const double sin1 = hue.Sin;
  const double cos2 = cos1 * cos1 - sin1 * sin1;
  const double sin2 = 2 * sin1 * cos1;
  const double cos3 = cos2 * cos1 - sin2 * sin1;
  const double sin3 = sin2 * cos1 + cos2 * sin1;
  const double cos4 = cos2 * cos2 - sin2 * sin2;
  const double sin4 = 2 * sin2 * cos2;
  constexpr double kCos30 = 0.86602540378443865, kSin30 = 0.5;
  constexpr double kCos6 = 0.99452189536827334, kSin6 = 0.10452846326765347;
  constexpr double kCos63 = 0.45399049973954679, kSin63 = 0.89100652418836786;
  const double t = 1 - 0.17 * (cos1 * kCos30 + sin1 * kSin30) + 0.24 * cos2 +
                   0.32 * (cos3 * kCos6 - sin3 * kSin6) - 0.20 * (cos4 * kCos63 + sin4 * kSin63);

  // Δθ = 30 exp(-((h̄' - 275) / 25)^2) is below 1e-11 degrees for h̄' up to 138 (its square
  // argument passes 30), where its share of ΔE00 lies far below double precision; the angle is
  // only found where it counts.
  double rotation = 0;
  if (sin1 < 0 || cos1 < -0.74) {
    double mean = std::atan2(sin1, cos1) / kDegree;
    if (mean < 0) mean += 360;
    const double u = (mean - 275) / 25;
    if (u * u < 30) rotation = 30 * std::exp(-u * u);
  }
  const double cMean7P = Pow7(cMeanP);
  const double rc = 2 * std::sqrt(cMean7P / (cMean7P + k25To7));
  const double lOffset = (lMean - 50) * (lMean - 50);
  const double sl = 1 + 0.015 * lOffset / std::sqrt(20 + lOffset);
  const double sc = 1 + 0.045 * cMeanP;
  const double sh = 1 + 0.015 * cMeanP * t;
  const double rt = -SinUpTo60Degrees(2 * rotation * kDegree) * rc;

  const double l = dL / sl;
  const double c = dC / sc;
  const double h = hue.DeltaH / sh;
  return std::sqrt(std::fmax(0.0, l * l + c * c + h * h + rt * c * h));
}
