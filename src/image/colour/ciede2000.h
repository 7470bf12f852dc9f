// The CIEDE2000 colour difference (Sharma, Wu and Dalal 2005), with kL = kC = kH = 1: how far
// apart two colours look, side by side. About 1 is the smallest difference seen side by side,
// about 2.3 a just noticeable difference, above about 10 a difference plain at a glance.
#pragma once

#include "image/colour/cielab.h"

// ΔE00 between `first` and `second` (symmetric, never negative), in double precision.
double Ciede2000(const TLab& first, const TLab& second);
