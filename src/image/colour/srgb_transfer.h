// The sRGB transfer function as fixed-point tables, shared by the colour-vision models and the
// scaling of the contact sheet. Linear light is an integer from 0 (black) to kLinearOne (full
// intensity); integer arithmetic gives the same bytes in every build, whatever floating-point
// unit the processor uses.
#pragma once

#include <cstdint>

// Linear light 1.0 in fixed point (15 bits, so that two products and a sum fit in 32 bits).
inline constexpr int kLinearOne = 32767;

// The 256 linear values of the 8-bit sRGB levels, rounded to the nearest step.
const std::uint16_t* SrgbToLinearTable();

// The 8-bit sRGB level of a linear value from 0 to kLinearOne (anything outside is clamped),
// within ±0.3 of the exact encoding before rounding, so every level decoded and encoded again
// comes back unchanged.
std::uint8_t LinearToSrgb(int linear);

// The table behind LinearToSrgb: entry i encodes linear values i << kEncodeShift up to the next
// entry. For loops that clamp by themselves.
inline constexpr int kEncodeShift = 2;
const std::uint8_t* LinearToSrgbTable();
