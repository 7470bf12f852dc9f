#include "platform/error.h"

#include <cerrno>
#include <cstring>

namespace platform {

unsigned long LastErrorCode() { return static_cast<unsigned long>(errno); }

void SetLastErrorCode(unsigned long code) { errno = static_cast<int>(code); }

std::string SystemErrorMessage(unsigned long code) {
  if (code == 0) return {};
  return std::strerror(static_cast<int>(code));
}

}  // namespace platform
