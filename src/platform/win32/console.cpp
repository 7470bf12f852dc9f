#include "platform/console.h"

#include <windows.h>

namespace platform {

// GetConsoleOutputCP answers 0 when the process has no console.
Utf8ConsoleOutput::Utf8ConsoleOutput() : SavedCodePage_(::GetConsoleOutputCP()) {
  if (SavedCodePage_ != 0 && !::SetConsoleOutputCP(CP_UTF8)) SavedCodePage_ = 0;
}

Utf8ConsoleOutput::~Utf8ConsoleOutput() {
  if (SavedCodePage_ != 0) ::SetConsoleOutputCP(SavedCodePage_);
}

}  // namespace platform
