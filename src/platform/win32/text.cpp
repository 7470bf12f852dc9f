#include "platform/text.h"

#include <windows.h>

namespace platform {
namespace {

std::wstring ToWide(std::string_view text, UINT codePage) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int length = ::MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
  std::wstring out(static_cast<std::size_t>(length), L'\0');
  ::MultiByteToWideChar(codePage, 0, text.data(), size, out.data(), length);
  return out;
}

std::string FromWide(std::wstring_view text, UINT codePage) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int length =
      ::WideCharToMultiByte(codePage, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(length), '\0');
  ::WideCharToMultiByte(codePage, 0, text.data(), size, out.data(), length, nullptr, nullptr);
  return out;
}

}  // namespace

std::wstring Widen(std::string_view utf8) { return ToWide(utf8, CP_UTF8); }
std::string Narrow(std::wstring_view utf16) { return FromWide(utf16, CP_UTF8); }

std::string Utf8ToAnsi(std::string_view utf8) { return FromWide(ToWide(utf8, CP_UTF8), CP_ACP); }
std::string AnsiToUtf8(std::string_view ansi) { return FromWide(ToWide(ansi, CP_ACP), CP_UTF8); }

}  // namespace platform
