#include "platform/file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace platform {

File::File(File&& other) noexcept : Fd_(std::exchange(other.Fd_, -1)) {}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    Close();
    Fd_ = std::exchange(other.Fd_, -1);
  }
  return *this;
}

File::~File() { Close(); }

File File::Open(const std::string& path, TFileAccess access, TFileShare share,
                TFileDisposition disposition) {
  int flags = O_CLOEXEC;
  switch (access) {
    case TFileAccess::faRead: flags |= O_RDONLY; break;
    case TFileAccess::faWrite: flags |= O_WRONLY; break;
    case TFileAccess::faReadWrite: flags |= O_RDWR; break;
  }
  switch (disposition) {
    case TFileDisposition::fdOpenExisting: break;
    case TFileDisposition::fdCreateAlways: flags |= O_CREAT | O_TRUNC; break;
  }
  File file;
  file.Fd_ = ::open(path.c_str(), flags, 0666);
  if (file.Fd_ < 0) return file;
  struct stat info {};
  if (::fstat(file.Fd_, &info) == 0 && S_ISDIR(info.st_mode)) {
    file.Close();
    errno = EISDIR;
    return file;
  }
  // POSIX has no share modes; advisory locks stand in for them between cooperating programs.
  // A file that is shared with nobody takes an exclusive lock; one that others may only read
  // takes a shared lock.
  const int lock = share == TFileShare::fsNone ? LOCK_EX : LOCK_SH;
  if (share != TFileShare::fsReadWrite && ::flock(file.Fd_, lock | LOCK_NB) != 0) {
    const int saved = errno;
    file.Close();
    errno = saved;
  }
  return file;
}

File File::CreateNew(const std::string& path, unsigned permissions) {
  File file;
  file.Fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC,
                    static_cast<mode_t>(permissions & 0777));
  return file;
}

File File::CreateUnnamedIn(const std::string& folder, unsigned permissions) {
  File file;
#ifdef O_TMPFILE
  file.Fd_ = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC,
                    static_cast<mode_t>(permissions & 0777));
#else
  (void)folder;
  (void)permissions;
  errno = EOPNOTSUPP;
#endif
  return file;
}

File File::Standard(TStandardStream stream) {
  File file;
  switch (stream) {
    case TStandardStream::ssInput: file.Fd_ = ::fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 3); break;
    case TStandardStream::ssOutput: file.Fd_ = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3); break;
  }
  return file;
}

bool File::IsOpen() const { return Fd_ >= 0; }

std::int64_t File::Read(void* buffer, std::int64_t count) {
  auto* out = static_cast<unsigned char*>(buffer);
  std::int64_t done = 0;
  while (done < count) {
    const ssize_t n = ::read(Fd_, out + done, static_cast<size_t>(count - done));
    if (n < 0) {
      if (errno == EINTR) continue;
      return done > 0 ? done : -1;
    }
    if (n == 0) break;
    done += n;
  }
  return done;
}

std::int64_t File::Write(const void* buffer, std::int64_t count) {
  const auto* in = static_cast<const unsigned char*>(buffer);
  std::int64_t done = 0;
  while (done < count) {
    const ssize_t n = ::write(Fd_, in + done, static_cast<size_t>(count - done));
    if (n < 0) {
      if (errno == EINTR) continue;
      return done > 0 ? done : -1;
    }
    done += n;
  }
  return done;
}

std::int64_t File::Seek(std::int64_t offset, int origin) {
  const int whence = origin == 0 ? SEEK_SET : origin == 1 ? SEEK_CUR : SEEK_END;
  return ::lseek(Fd_, static_cast<off_t>(offset), whence);
}

bool File::Truncate() {
  const off_t here = ::lseek(Fd_, 0, SEEK_CUR);
  return here >= 0 && ::ftruncate(Fd_, here) == 0;
}

namespace {

TFileKind KindOfMode(mode_t mode) {
  if (S_ISREG(mode)) return TFileKind::fkRegular;
  if (S_ISDIR(mode)) return TFileKind::fkDirectory;
  return TFileKind::fkOther;
}

}  // namespace

TFileKind File::Kind() const {
  struct stat info {};
  if (::fstat(Fd_, &info) != 0) return TFileKind::fkMissing;
  return KindOfMode(info.st_mode);
}

std::int64_t File::Size() const {
  struct stat info {};
  if (::fstat(Fd_, &info) != 0 || !S_ISREG(info.st_mode)) return -1;
  return info.st_size;
}

bool File::SetPermissionBits(unsigned bits) {
  return ::fchmod(Fd_, static_cast<mode_t>(bits & 07777)) == 0;
}

bool File::Flush() { return ::fsync(Fd_) == 0; }

namespace {

// An unnamed file is reached through its descriptor's entry in /proc; following that link
// needs no privilege (AT_EMPTY_PATH would).
std::string DescriptorPath(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

}  // namespace

bool File::LinkAs(const std::string& path) {
  return ::linkat(AT_FDCWD, DescriptorPath(Fd_).c_str(), AT_FDCWD, path.c_str(),
                  AT_SYMLINK_FOLLOW) == 0;
}

bool File::CanLink() const { return ::access(DescriptorPath(Fd_).c_str(), F_OK) == 0; }

std::optional<TFileOwner> File::Owner() const {
  struct stat info {};
  if (::fstat(Fd_, &info) != 0) return std::nullopt;
  return TFileOwner{static_cast<std::uint32_t>(info.st_uid),
                    static_cast<std::uint32_t>(info.st_gid)};
}

bool File::SetOwner(const TFileOwner& owner) {
  return ::fchown(Fd_, static_cast<uid_t>(owner.User), static_cast<gid_t>(owner.Group)) == 0;
}

void File::Close() {
  if (Fd_ >= 0) ::close(std::exchange(Fd_, -1));
}

bool ReplaceFileAtomically(const std::string& source, const std::string& target) {
  return std::rename(source.c_str(), target.c_str()) == 0;
}

bool RemoveFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

bool PathExists(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0;
}

TFileKind FileKindOf(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return TFileKind::fkMissing;
  return KindOfMode(info.st_mode);
}

std::optional<TFileIdentity> FileIdentityOf(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return std::nullopt;
  return TFileIdentity{static_cast<std::uint64_t>(info.st_dev),
                       static_cast<std::uint64_t>(info.st_ino)};
}

std::optional<std::string> SymbolicLinkText(const std::string& path) {
  std::vector<char> text(256);
  for (;;) {
    const ssize_t length = ::readlink(path.c_str(), text.data(), text.size());
    if (length < 0) return std::nullopt;
    if (static_cast<std::size_t>(length) < text.size()) {
      return std::string(text.data(), static_cast<std::size_t>(length));
    }
    text.resize(text.size() * 2);
  }
}

std::optional<unsigned> PermissionBits(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return std::nullopt;
  return static_cast<unsigned>(info.st_mode & 07777);
}

unsigned long ProcessId() { return static_cast<unsigned long>(::getpid()); }

}  // namespace platform
