// CIELAB (D65) of 8-bit sRGB colours: the space in which colour differences are measured.
// Two forms: one colour in double precision, and whole 24-bit rows in fixed point through
// tables, whose results are the same in every build (the tables hold integers, and the row
// arithmetic is integer until the final exact conversion to float).
#pragma once

#include <cstdint>

struct TLab {
  double L;
  double A;
  double B;
};

// The Lab of the 8-bit sRGB colour (`red`, `green`, `blue`), computed in double precision.
TLab SrgbToLab(int red, int green, int blue);

// The Lab of `width` pixels of a 24-bit row (blue, green, red) into the planes `l`, `a` and `b`
// (`width` floats each; the caller owns every buffer), each value a multiple of 2^-15 (f of the
// normalised tristimulus values is tabled to 15 fraction bits, so L* lies within 0.02 and a*,
// b* within 0.05 of SrgbToLab). Planes, so that loops over neighbours vectorise. Where
// `luminance` is given, it receives each pixel's luminance Y (linear light, 0 to kLinearOne of
// srgb_transfer.h) on the way.
void SrgbRowToLab(const std::uint8_t* row, int width, float* l, float* a, float* b,
                  std::uint16_t* luminance = nullptr);
