// Text at the platform boundary. Inside the program every string is UTF-8; Windows wants UTF-16
// for its wide-char API and the system's ANSI code page for 8-bit plug-in texts. Elsewhere the
// 8-bit texts are UTF-8 already and the conversions are the identity.
#pragma once

#include <string>
#include <string_view>

namespace platform {

#ifdef _WIN32
std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);
#endif

// UTF-8 to the system's 8-bit code page and back (the texts that cross the plug-in boundary).
std::string Utf8ToAnsi(std::string_view utf8);
std::string AnsiToUtf8(std::string_view ansi);

}  // namespace platform
