// Scaling a picture down by averaging areas in linear light: every target pixel is the mean of
// the source area it covers, each source pixel weighted by the share of it that lies inside,
// averaged after sRGB decoding and encoded again. Unlike averaging the stored levels, this keeps
// the brightness of fine patterns. Integer arithmetic throughout, so every build gives the same
// bytes.
#pragma once

#include <memory>

class TBitmap;

// A new 24-bit picture of `width` x `height` pixels (each from 1 up to the source's size in that
// direction) made from `source`, which must be in the 24-bit layout and is only read (a shared
// image is not copied). The caller owns the result.
std::unique_ptr<TBitmap> ScaleDownLinear(TBitmap& source, int width, int height);
