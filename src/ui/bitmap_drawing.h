// Drawing a bitmap into a rectangle of a device context, stretched to fill it: how an image
// box shows its picture. The pixels are drawn as they stand in the bitmap's image (no copy, no
// conversion), so repainting costs one stretched transfer.
#pragma once

#include <windows.h>

class TBitmap;

// Draws `bitmap` scaled to `target` (its aspect ratio not kept). The bitmap's palette, when it
// has one, is realised as a background palette for the drawing and the context's palette put
// back afterwards. The stretch mode: HALFTONE when the context has 8 bits per pixel or fewer and
// fewer than the picture; else COLORONCOLOR, except that a monochrome picture leaves the
// context's mode as it was. An empty bitmap draws nothing.
void StretchDrawBitmap(HDC dc, const RECT& target, TBitmap& bitmap);
