// The operating system's last error code and its text.
#pragma once

#include <string>

namespace platform {

// The calling thread's last error code (GetLastError on Windows, errno elsewhere); 0 for none.
unsigned long LastErrorCode();
void SetLastErrorCode(unsigned long code);
// The system's text for `code` in the user's default language, UTF-8, without a trailing line
// break; empty when the system has none.
std::string SystemErrorMessage(unsigned long code);

}  // namespace platform
