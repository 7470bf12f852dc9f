// The colour-vision models: how a picture looks to people with a colour-vision deficiency,
// computed in linear light (sRGB decode, a 3 x 3 matrix, clamp, sRGB encode) on 24-bit rows.
//
//   protanopia, deuteranopia             the dichromat matrices of Machado, Oliveira and
//                                        Fernandes (2009), severity 1
//   protanomaly, deuteranomaly,          their matrices at a severity from 0 to 1, each entry
//   tritanomaly                          interpolated linearly between the published tenths
//   tritanopia                           Brettel, Viénot and Mollon (1997): two projections, one
//                                        per side of a plane through the grey axis
//   achromatopsia                        luminance only (Rec. 709 weights)
//
// Every channel lies within ±1 of the same computation in double precision. The arithmetic is
// fixed-point, so every build gives the same bytes.
#pragma once

#include <array>
#include <optional>
#include <string_view>

#include "image/colour/row_operation.h"

enum class TVisionType {
  vtProtanopia,
  vtDeuteranopia,
  vtTritanopia,
  vtProtanomaly,
  vtDeuteranomaly,
  vtTritanomaly,
  vtAchromatopsia,
};

struct TVisionTypeName {
  TVisionType Type;
  std::string_view Name;
};

// Every type with the name the command line knows it by, in the order of the usage text.
inline constexpr std::array<TVisionTypeName, 7> kVisionTypeNames{{
    {TVisionType::vtProtanopia, "protanopia"},
    {TVisionType::vtDeuteranopia, "deuteranopia"},
    {TVisionType::vtTritanopia, "tritanopia"},
    {TVisionType::vtProtanomaly, "protanomaly"},
    {TVisionType::vtDeuteranomaly, "deuteranomaly"},
    {TVisionType::vtTritanomaly, "tritanomaly"},
    {TVisionType::vtAchromatopsia, "achromatopsia"},
}};

// The severity of the anomalous types when none is given.
inline constexpr double kDefaultSeverity = 0.6;

// The type named `name` exactly, if any.
std::optional<TVisionType> FindVisionType(std::string_view name);

// Whether the type's result depends on a severity (the three anomalous types).
bool HasSeverity(TVisionType type);

// The operation that simulates `type`; `severity` (0 to 1, clamped) counts for the anomalous
// types only. The matrices are fixed here, once per picture.
TRowOperation VisionModelOperation(TVisionType type, double severity = kDefaultSeverity);
