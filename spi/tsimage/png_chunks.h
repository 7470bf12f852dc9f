// A check of PNG chunk lengths before stb_image decodes the picture.
//
// stb_image grows its buffer for the compressed image data to the length that an IDAT chunk
// claims before it reads the chunk, and only then finds that the data ends sooner: a file of a
// hundred bytes could make it reserve two gigabytes. This walks the chunks the same way, without
// reading them, and refuses such data.
#pragma once

#include <cstddef>
#include <cstdint>

// False when an IDAT chunk of the PNG file in `data` (`size` bytes, signature included) claims
// more bytes than follow its length and type. True otherwise, also for data that the decoder
// refuses for some other reason: the chunks are walked up to IEND or the end of the data.
bool PngDataChunksFit(const std::uint8_t* data, std::size_t size);
