// How tintsight-cli takes an input's bytes: the whole file (or standard input, named "-") in
// memory once, refused before it is read when it is larger than any picture can be, and refused
// when it is empty.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "rtl/stream.h"

// The largest input that may be a picture: the larger of the longest BMP file whose bytes the
// reader uses (file header, the longest known info header, masks, 256 colours and the largest
// pixel memory) and the most that a plug-in can be offered (2^31 - 1 bytes).
extern const std::int64_t kLargestInput;

// The name under which standard input and standard output are given.
inline constexpr char kStandardStreamName[] = "-";

// All bytes of `name`, or of standard input for "-", in a new memory stream positioned at 0: a
// regular file mapped read-only (no copy; the stream owns the mapping), anything else read.
// Fails with EFOpenError "ファイル %s は開けません: " and the system's reason when the file does
// not open (a folder does not), and with EInvalidGraphic "認識できない画像形式です" followed by
// the reason when the input is empty or holds more than kLargestInput bytes; a regular file is
// measured before a byte is read, a pipe or a device is read up to one byte past the limit.
std::unique_ptr<TCustomMemoryStream> ReadInput(const std::string& name);
