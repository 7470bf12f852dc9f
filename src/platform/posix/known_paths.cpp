#include "platform/known_paths.h"

#include <limits.h>
#include <unistd.h>

#include <memory>

namespace platform {

std::string ExecutablePath() {
  char buffer[PATH_MAX];
  const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer);
  if (length <= 0 || static_cast<size_t>(length) >= sizeof buffer) return {};
  return std::string(buffer, static_cast<size_t>(length));
}

std::string CurrentDirectory() {
  // getcwd with a null buffer allocates one of the right size.
  std::unique_ptr<char, decltype(&::free)> path(::getcwd(nullptr, 0), &::free);
  return path ? std::string(path.get()) : std::string();
}

bool ChangeCurrentDirectory(const std::string& directory) {
  return ::chdir(directory.c_str()) == 0;
}

// Only Windows has these.
std::string SystemDirectory() { return {}; }
std::string WindowsDirectory() { return {}; }

}  // namespace platform
