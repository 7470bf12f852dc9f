#include "platform/known_paths.h"

#include <windows.h>

#include <string_view>

#include "platform/text.h"

namespace platform {
namespace {

// The text a directory query left in `buffer` of 255 usable characters, given its result: the
// length on success, 0 on failure, or the size it needs (more than fits) when the buffer is too
// small, in which case the buffer holds nothing usable.
std::string FromFixedBuffer(const wchar_t* buffer, UINT result) {
  if (result == 0 || result >= 255) return {};
  return Narrow(std::wstring_view(buffer, result));
}

}  // namespace

std::string ExecutablePath() {
  wchar_t buffer[MAX_PATH + 1] = {};
  const DWORD length = ::GetModuleFileNameW(nullptr, buffer, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  return Narrow(std::wstring_view(buffer, length));
}

std::string CurrentDirectory() {
  wchar_t buffer[MAX_PATH + 1] = {};
  const DWORD length = ::GetCurrentDirectoryW(MAX_PATH + 1, buffer);
  if (length == 0 || length > MAX_PATH) return {};
  return Narrow(std::wstring_view(buffer, length));
}

bool ChangeCurrentDirectory(const std::string& directory) {
  return ::SetCurrentDirectoryW(Widen(directory).c_str()) != 0;
}

std::string SystemDirectory() {
  wchar_t buffer[256] = {};
  return FromFixedBuffer(buffer, ::GetSystemDirectoryW(buffer, 255));
}

std::string WindowsDirectory() {
  wchar_t buffer[256] = {};
  return FromFixedBuffer(buffer, ::GetWindowsDirectoryW(buffer, 255));
}

}  // namespace platform
