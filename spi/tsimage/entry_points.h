// The entry points that tsimage.spi exports by name (undecorated, stdcall on Windows). The host
// calls them through the addresses it looks up; our tests call them directly.
#pragma once

#include <cstdint>

#include "spi_abi.h"

// 0: "00IN"; 1: name and version; 2, 4, ...: a filter such as "*.png"; 3, 5, ...: its format's
// description. Answers the text's length, or 0 when there is none for `infono`.
SPI_EXPORT std::int32_t SPI_API GetPluginInfo(std::int32_t infono, char* buf, std::int32_t buflen);

// Non-zero when the picture whose first 2048 bytes (zero-padded) are at address `dw` is one we
// decode. Decided by content only; `filename` is not consulted. On Windows a `dw` below 0x10000
// is a file handle in the older convention: the head is read from the file's current position,
// which is restored afterwards.
SPI_EXPORT std::int32_t SPI_API IsSupported(const char* filename, std::uintptr_t dw);

// Fills `lpInfo` with the picture's size and the bit depth GetPicture delivers (24, or 32 with
// alpha); offsets and densities are 0 and no text block is returned (hInfo null).
SPI_EXPORT std::int32_t SPI_API GetPictureInfo(const char* buf, std::int32_t len,
                                               std::uint32_t flag, TPictureInfo* lpInfo);

// Decodes the picture. On SPI_SUCCESS the caller owns the two new blocks: `*pHBInfo` a 40-byte
// BITMAPINFOHEADER, `*pHBm` bottom-up 24-bit (or 32-bit with alpha) rows. On any other answer
// nothing is stored and nothing needs freeing. A non-zero answer of `progressCallback` stops the
// decoding with SPI_ABORT.
SPI_EXPORT std::int32_t SPI_API GetPicture(const char* buf, std::int32_t len, std::uint32_t flag,
                                           TSpiHandle* pHBInfo, TSpiHandle* pHBm,
                                           TSpiProgressCallback progressCallback,
                                           std::intptr_t lData);
