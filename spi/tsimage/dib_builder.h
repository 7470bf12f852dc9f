// Turning decoded pixels into the device-independent bitmap that GetPicture returns.
#pragma once

#include <cstdint>

#include "decoder.h"
#include "spi_abi.h"
#include "spi_block.h"

// The size of the information block: a BITMAPINFOHEADER and no colour table.
inline constexpr std::uint32_t kDibHeaderSize = 40;

// Writes `image` as the two blocks of GetPicture: into `info` a 40-byte BITMAPINFOHEADER
// (positive height, BI_RGB, biSizeImage filled in), into `bits` the rows bottom-up, each padded
// to a multiple of 4 bytes: 24-bit blue-green-red for an RGB image, 32-bit blue-green-red-alpha
// (straight alpha) for an RGBA image. `progress` (may be null) is called with (rows done, rows)
// before the first row and after each row; a non-zero answer stops the work with SPI_ABORT.
// On success the blocks hold the result (the caller hands them on); on any failure both are
// left empty. Answers SPI_SUCCESS, SPI_ABORT, SPI_NO_MEMORY (the bits would not fit 31 bits, or
// an allocation failed) or SPI_MEMORY_ERROR (a new block could not be locked).
std::int32_t BuildDib(const TDecodedImage& image, TSpiProgressCallback progress,
                      std::intptr_t lData, TSpiBlock& info, TSpiBlock& bits);
