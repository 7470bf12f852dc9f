#include "platform/file.h"

#include <windows.h>

#include <algorithm>
#include <utility>

#include "platform/text.h"

namespace platform {

File::File(File&& other) noexcept : Handle_(std::exchange(other.Handle_, INVALID_HANDLE_VALUE)) {}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    Close();
    Handle_ = std::exchange(other.Handle_, INVALID_HANDLE_VALUE);
  }
  return *this;
}

File::~File() { Close(); }

File File::Open(const std::string& path, TFileAccess access, TFileShare share,
                TFileDisposition disposition) {
  DWORD desired = 0;
  switch (access) {
    case TFileAccess::faRead: desired = GENERIC_READ; break;
    case TFileAccess::faWrite: desired = GENERIC_WRITE; break;
    case TFileAccess::faReadWrite: desired = GENERIC_READ | GENERIC_WRITE; break;
  }
  DWORD shareMode = 0;
  switch (share) {
    case TFileShare::fsNone: shareMode = 0; break;
    case TFileShare::fsRead: shareMode = FILE_SHARE_READ; break;
    case TFileShare::fsReadWrite: shareMode = FILE_SHARE_READ | FILE_SHARE_WRITE; break;
  }
  DWORD how = OPEN_EXISTING;
  switch (disposition) {
    case TFileDisposition::fdOpenExisting: how = OPEN_EXISTING; break;
    case TFileDisposition::fdCreateAlways: how = CREATE_ALWAYS; break;
  }
  File file;
  file.Handle_ = ::CreateFileW(Widen(path).c_str(), desired, shareMode, nullptr, how,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
  return file;
}

bool File::IsOpen() const { return Handle_ != INVALID_HANDLE_VALUE; }

std::int64_t File::Read(void* buffer, std::int64_t count) {
  auto* out = static_cast<unsigned char*>(buffer);
  std::int64_t done = 0;
  while (done < count) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::int64_t>(count - done, 1 << 30));
    DWORD got = 0;
    if (!::ReadFile(Handle_, out + done, chunk, &got, nullptr)) return done > 0 ? done : -1;
    if (got == 0) break;
    done += got;
  }
  return done;
}

std::int64_t File::Write(const void* buffer, std::int64_t count) {
  const auto* in = static_cast<const unsigned char*>(buffer);
  std::int64_t done = 0;
  while (done < count) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::int64_t>(count - done, 1 << 30));
    DWORD put = 0;
    if (!::WriteFile(Handle_, in + done, chunk, &put, nullptr)) return done > 0 ? done : -1;
    if (put == 0) break;
    done += put;
  }
  return done;
}

std::int64_t File::Seek(std::int64_t offset, int origin) {
  LARGE_INTEGER distance;
  distance.QuadPart = offset;
  LARGE_INTEGER result;
  const DWORD method = origin == 0 ? FILE_BEGIN : origin == 1 ? FILE_CURRENT : FILE_END;
  if (!::SetFilePointerEx(Handle_, distance, &result, method)) return -1;
  return result.QuadPart;
}

bool File::Truncate() { return ::SetEndOfFile(Handle_) != 0; }

void File::Close() {
  if (Handle_ != INVALID_HANDLE_VALUE) ::CloseHandle(std::exchange(Handle_, INVALID_HANDLE_VALUE));
}

bool ReplaceFileAtomically(const std::string& source, const std::string& target) {
  return ::MoveFileExW(Widen(source).c_str(), Widen(target).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool RemoveFile(const std::string& path) { return ::DeleteFileW(Widen(path).c_str()) != 0; }

bool PathExists(const std::string& path) {
  return ::GetFileAttributesW(Widen(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

unsigned long ProcessId() { return ::GetCurrentProcessId(); }

}  // namespace platform
