// How tintsight-cli prints a message: on one line of its own, with nothing in it that a terminal
// would take as a command. Texts come from files, plug-ins and the system, so none is trusted to
// be one clean line.
#pragma once

#include <cstdint>
#include <exception>
#include <ostream>
#include <string>
#include <string_view>

// `text` as one printable line: each line break or tab becomes a space, every other control
// character (C0 and DEL) a '?', and trailing spaces go. Bytes from 0x80 up (UTF-8) are kept.
std::string OneLine(std::string_view text);

// Writes "tintsight-cli: " and `message` as one line to `errors`.
void ReportError(std::ostream& errors, std::string_view message);

// The message of a failure: an Exception's user-facing message (for a failed save followed by
// the file, where the message does not name it, and the system's reason), "out of memory" for
// std::bad_alloc, the standard library's own text for anything else.
std::string FailureMessage(const std::exception& failure);

// The line of figures of a contrast-loss map: "INPUT: VIEWER: P% of visible boundaries lost
// (LOST of VISIBLE)", P with one decimal (0.0 when nothing is visible), without a line break.
std::string ContrastLossLine(std::string_view input, std::string_view viewer, std::uint64_t lost,
                             std::uint64_t visible);
