#include "platform/error.h"

#include <windows.h>

#include "platform/text.h"

namespace platform {

unsigned long LastErrorCode() { return ::GetLastError(); }

void SetLastErrorCode(unsigned long code) { ::SetLastError(code); }

std::string SystemErrorMessage(unsigned long code) {
  wchar_t buffer[512];
  const DWORD length =
      ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS |
                           FORMAT_MESSAGE_ARGUMENT_ARRAY,
                       nullptr, code, 0, buffer, static_cast<DWORD>(std::size(buffer)), nullptr);
  std::wstring_view text(buffer, length);
  while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' '))
    text.remove_suffix(1);
  return Narrow(text);
}

}  // namespace platform
