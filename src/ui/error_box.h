// The text of the standard error box.
#pragma once

#include <string>
#include <string_view>

// `message`, with "." appended when it is not empty and its last character compares greater
// than ".": every letter, digit and non-ASCII character does; ".", ",", "!", ")" and the blank
// do not.
std::string ErrorBoxText(std::string_view message);
