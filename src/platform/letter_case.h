// Letter case under the system's rules.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// `text` (UTF-8) with its letters in lower case: on Windows by the system's locale rules for
// every script; elsewhere the letters A to Z only (the C locale's rules).
std::string LowerCase(std::string_view text);

}  // namespace platform
