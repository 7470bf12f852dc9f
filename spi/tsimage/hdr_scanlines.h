// A check of Radiance HDR pixel data before stb_image decodes it.
//
// stb_image's run-length decoder of HDR scanlines never advances on a run count of 0, which a
// damaged file holds and which a cut-off file yields at its end (reads past the end give 0): it
// would loop for ever. Its reader of flat (not run-length) pixels does not notice when the data
// ends, and converts bytes it never read. This walks the same structure the same way, without
// decoding, and refuses such data.
#pragma once

#include <cstddef>
#include <cstdint>

// False when decoding the HDR file in `data` (`size` bytes; `width` x `height` pixels as its
// header says) would meet a run count of 0 in a run-length scanline, or would read flat pixels
// past the end of the data. True otherwise, also for data that the decoder refuses for some
// other reason.
bool HdrScanlinesReadable(const std::uint8_t* data, std::size_t size, int width, int height);
