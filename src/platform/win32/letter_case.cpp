#include "platform/letter_case.h"

#include <windows.h>

#include "platform/text.h"

namespace platform {

std::string LowerCase(std::string_view text) {
  std::wstring wide = Widen(text);
  if (!wide.empty()) ::CharLowerBuffW(wide.data(), static_cast<DWORD>(wide.size()));
  return Narrow(wide);
}

}  // namespace platform
