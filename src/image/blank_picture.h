// New pictures made by the program itself rather than read: the canvas of a composition, the
// target of a scaling.
#pragma once

#include <memory>

#include "image/bitmap.h"

// A 24-bit bottom-up DIB-section picture of `width` x `height` (both at least 1), every byte 0.
// The caller owns it; its image is shared with nobody. Fails with EOutOfResources when memory
// runs out and EInvalidGraphic when the pixel memory would pass 2 GiB.
std::unique_ptr<TBitmap> NewPicture24(int width, int height);
