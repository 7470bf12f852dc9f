// Daltonization: a picture recoloured so that a viewer with a colour-vision deficiency sees
// more of its colour differences. What the viewer loses of each pixel, err = x - sim(x), is moved
// into channels that the viewer still separates: x + E err (Fidaner, Lin and Ozguven 2005),
// computed in linear light, the variant that works with light as the models do. The move
// changes lightness as well, and so can make a colour as light as a neighbour it stood apart
// from by lightness alone (a teal turned dark beside a grey of the same darkness, for a
// protanope): so the result is then shifted along the grey axis back to the original's
// luminance, and clamped. Every viewer keeps the lightness differences they had.
//
//   protan and deutan types   E = [[0, 0, 0], [0.7, 1, 0], [0.7, 0, 1]]: the lost red-green
//                             difference goes into green and blue
//   tritan types              E = [[1, 0, 0.7], [0, 1, -0.7], [0, 0, 0]]: the lost blue-yellow
//                             difference goes into the red-green opposition, which these viewers
//                             keep, in opposite directions so that lightness changes little
//
// Greys have no error and stay exactly as they are. Achromatopsia has no channel left to move a
// difference into and has no daltonization.
#pragma once

#include "image/colour/row_operation.h"
#include "image/colour/vision_model.h"

// Whether `type` can be daltonized (every type but achromatopsia).
bool CanDaltonize(TVisionType type);

// The operation that daltonizes for `type` at `severity` (as for VisionModelOperation), for a
// type that CanDaltonize. Integer arithmetic after the tables: the same bytes in every build.
TRowOperation DaltonizeOperation(TVisionType type, double severity = kDefaultSeverity);
