#include "platform/text.h"

namespace platform {

std::string Utf8ToAnsi(std::string_view utf8) { return std::string(utf8); }
std::string AnsiToUtf8(std::string_view ansi) { return std::string(ansi); }

}  // namespace platform
