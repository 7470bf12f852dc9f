// The header of a binary PNM file (P5 grey, P6 colour), read the way stb_image reads it, so that
// the decoder's results can be checked against the file.
//
// stb_image's PNM reader mishandles what follows the header in three ways: it keeps two-byte
// samples in the file's byte order (big-endian) but reduces them to 8 bits as if they were in
// the machine's, which keeps the low byte; it widens two-byte grey to RGB as if the samples were
// one byte each, reading past its buffer; and when the file holds fewer samples than the picture
// needs it copies none and hands back uninitialised memory. The decoder therefore takes PNM in
// its own channels and sample size, after this header has shown that every sample is there.
#pragma once

#include <cstddef>
#include <cstdint>

struct TPnmHeader {
  std::size_t SamplesOffset = 0;  // where the first sample begins
  int Channels = 0;               // 1 (P5) or 3 (P6)
  int SampleSize = 0;             // bytes a sample: 1 for a maximum value up to 255, else 2
};

// Reads the header of the PNM file in `data` (`size` bytes). False when it is not a P5 or P6
// file or its maximum value is above 65535.
bool ReadPnmHeader(const std::uint8_t* data, std::size_t size, TPnmHeader& header);
