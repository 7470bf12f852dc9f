#include "platform/file.h"

#include <windows.h>

#include <algorithm>
#include <iterator>
#include <string_view>
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

File File::CreateNew(const std::string& path, unsigned) {
  File file;
  file.Handle_ = ::CreateFileW(Widen(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                               CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  return file;
}

File File::CreateUnnamedIn(const std::string&, unsigned) {
  ::SetLastError(ERROR_NOT_SUPPORTED);
  return File();
}

File File::Standard(TStandardStream stream) {
  const DWORD which = stream == TStandardStream::ssInput ? STD_INPUT_HANDLE : STD_OUTPUT_HANDLE;
  File file;
  HANDLE own = INVALID_HANDLE_VALUE;
  // WriteFile and ReadFile on the handle pass bytes unchanged: no text mode in between.
  if (::DuplicateHandle(::GetCurrentProcess(), ::GetStdHandle(which), ::GetCurrentProcess(), &own,
                        0, FALSE, DUPLICATE_SAME_ACCESS)) {
    file.Handle_ = own;
  }
  return file;
}

bool File::IsOpen() const { return Handle_ != INVALID_HANDLE_VALUE; }

std::int64_t File::Read(void* buffer, std::int64_t count) {
  auto* out = static_cast<unsigned char*>(buffer);
  std::int64_t done = 0;
  while (done < count) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::int64_t>(count - done, 1 << 30));
    DWORD got = 0;
    if (!::ReadFile(Handle_, out + done, chunk, &got, nullptr)) {
      // A pipe whose writer has closed it reports its end as this error.
      if (::GetLastError() == ERROR_BROKEN_PIPE) break;
      return done > 0 ? done : -1;
    }
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

TFileKind File::Kind() const {
  switch (::GetFileType(Handle_)) {
    case FILE_TYPE_DISK: {
      BY_HANDLE_FILE_INFORMATION info;
      if (!::GetFileInformationByHandle(Handle_, &info)) return TFileKind::fkMissing;
      return (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? TFileKind::fkDirectory
                                                                     : TFileKind::fkRegular;
    }
    case FILE_TYPE_UNKNOWN:
      return ::GetLastError() == NO_ERROR ? TFileKind::fkOther : TFileKind::fkMissing;
    default:
      return TFileKind::fkOther;
  }
}

std::int64_t File::Size() const {
  LARGE_INTEGER size;
  if (::GetFileType(Handle_) != FILE_TYPE_DISK || !::GetFileSizeEx(Handle_, &size)) return -1;
  return size.QuadPart;
}

bool File::SetPermissionBits(unsigned bits) {
  // Zero times leave the times as they are; zero attributes would too, so "normal" stands for none.
  constexpr DWORD kPassedOn = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                              FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
  FILE_BASIC_INFO info{};
  info.FileAttributes = (bits & kPassedOn) != 0 ? (bits & kPassedOn) : FILE_ATTRIBUTE_NORMAL;
  return ::SetFileInformationByHandle(Handle_, FileBasicInfo, &info, sizeof info) != 0;
}

bool File::Flush() { return ::FlushFileBuffers(Handle_) != 0; }

bool File::LinkAs(const std::string&) {
  ::SetLastError(ERROR_NOT_SUPPORTED);
  return false;
}

bool File::CanLink() const { return false; }

// ReplaceFileW keeps the replaced file's owner with the rest of its access rights.
std::optional<TFileOwner> File::Owner() const { return std::nullopt; }

bool File::SetOwner(const TFileOwner&) {
  ::SetLastError(ERROR_NOT_SUPPORTED);
  return false;
}

void File::Close() {
  if (Handle_ != INVALID_HANDLE_VALUE) ::CloseHandle(std::exchange(Handle_, INVALID_HANDLE_VALUE));
}

namespace {

// `path` as the system completes it with the current drive and folder. ReplaceFileW fails on a
// name without a folder under some systems (Wine), and a full name costs nothing where it works.
// `path` itself when the system cannot complete it, so that the call reports why.
std::wstring FullPath(const std::string& path) {
  const std::wstring wide = Widen(path);
  const DWORD needed = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return wide;
  std::wstring full(needed, L'\0');
  const DWORD length = ::GetFullPathNameW(wide.c_str(), needed, full.data(), nullptr);
  if (length == 0 || length >= needed) return wide;
  full.resize(length);
  return full;
}

}  // namespace

bool ReplaceFileAtomically(const std::string& source, const std::string& target) {
  const std::wstring from = FullPath(source);
  const std::wstring to = FullPath(target);
  // ReplaceFileW keeps the replaced file's attributes and access rights; it needs a target,
  // so a new name is made by moving.
  if (::GetFileAttributesW(to.c_str()) == INVALID_FILE_ATTRIBUTES) {
    return ::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH) != 0;
  }
  return ::ReplaceFileW(to.c_str(), from.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                        nullptr) != 0;
}

namespace {

// Whether the system takes `path` for a device: its full form then names the device itself
// ("\\.\NUL" for "C:\x\nul.bmp"), whatever folder and extension were written.
bool IsDevicePath(const std::wstring& path) {
  wchar_t full[MAX_PATH * 2];
  const DWORD length =
      ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(std::size(full)), full, nullptr);
  return length > 4 && length < std::size(full) && std::wstring_view(full, 4) == L"\\\\.\\";
}

// An open handle to whatever `path` names, for reading its description only.
class TQueryHandle {
 public:
  explicit TQueryHandle(const std::wstring& path)
      : Handle_(::CreateFileW(path.c_str(), 0,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr)) {}
  TQueryHandle(const TQueryHandle&) = delete;
  TQueryHandle& operator=(const TQueryHandle&) = delete;
  ~TQueryHandle() {
    if (Handle_ != INVALID_HANDLE_VALUE) ::CloseHandle(Handle_);
  }
  HANDLE Get() const { return Handle_; }

 private:
  HANDLE Handle_;
};

}  // namespace

TFileKind FileKindOf(const std::string& path) {
  const std::wstring wide = Widen(path);
  if (IsDevicePath(wide)) return TFileKind::fkOther;
  const DWORD attributes = ::GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return TFileKind::fkMissing;
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? TFileKind::fkDirectory
                                                      : TFileKind::fkRegular;
}

std::optional<TFileIdentity> FileIdentityOf(const std::string& path) {
  const TQueryHandle handle(Widen(path));
  BY_HANDLE_FILE_INFORMATION info;
  if (handle.Get() == INVALID_HANDLE_VALUE || !::GetFileInformationByHandle(handle.Get(), &info)) {
    return std::nullopt;
  }
  return TFileIdentity{info.dwVolumeSerialNumber,
                       std::uint64_t{info.nFileIndexHigh} << 32 | info.nFileIndexLow};
}

std::optional<std::string> SymbolicLinkText(const std::string&) { return std::nullopt; }

std::optional<unsigned> PermissionBits(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesW(Widen(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return std::nullopt;
  return attributes;
}

bool RemoveFile(const std::string& path) { return ::DeleteFileW(Widen(path).c_str()) != 0; }

bool PathExists(const std::string& path) {
  return ::GetFileAttributesW(Widen(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

unsigned long ProcessId() { return ::GetCurrentProcessId(); }

}  // namespace platform
