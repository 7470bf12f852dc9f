// How tintsight-cli takes an input's bytes: the whole file (or standard input, named "-") in
// memory once, refused before it is read when it is larger than any picture can be, refused
// when it is empty, and refused after its first bytes when nothing can read it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "rtl/stream.h"

// The largest input that may be a picture: the larger of the longest BMP file whose bytes the
// reader uses (file header, the longest known info header, masks, 256 colours and the largest
// pixel memory) and the most that a plug-in can be offered (2^31 - 1 bytes).
extern const std::int64_t kLargestInput;

// How many of an input's first bytes decide whether anything may read it: the 2 KB that a
// plug-in may always look at, also behind the 128-byte leading header that a second offer leaves
// out.
inline constexpr std::int64_t kInputHeadSize = 128 + 2048;

// Says, from the first kInputHeadSize bytes of an input (all of a shorter one), why nothing can
// read it; nothing when something may.
using TInputHeadCheck =
    std::function<std::optional<std::string>(std::span<const std::uint8_t> head)>;

// The name under which standard input and standard output are given.
inline constexpr char kStandardStreamName[] = "-";

// All bytes of `name`, or of standard input for "-", read into a new memory stream positioned at
// 0, so that nothing another program does to the file later reaches them (a large regular file
// into memory that the plug-in helper is handed as it is: see NewPluginInput; the stream is then
// read-only). Fails with EFOpenError
// "ファイル %s は開けません: " and the system's reason when the file does not open (a folder does
// not), with EReadError "ストリームからの読み込みエラー" when a regular file ends sooner than it was measured (cut while
// it is read), and with EInvalidGraphic "認識できない画像形式です" followed by the reason when the
// input is empty, holds more than kLargestInput bytes, or starts with bytes that `check` (when
// given) says nothing can read, with its reason; a regular file is measured before a byte is
// read, a pipe or a device is read up to one byte past the limit, and the head is checked before
// the rest is read.
std::unique_ptr<TCustomMemoryStream> ReadInput(const std::string& name,
                                               const TInputHeadCheck& check = {});
