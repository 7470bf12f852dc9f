#include "platform/file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <utility>

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

unsigned long ProcessId() { return static_cast<unsigned long>(::getpid()); }

}  // namespace platform
