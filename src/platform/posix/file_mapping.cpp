#include "platform/file_mapping.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace platform {

void FileMapping::Unmap() {
  if (Data_ != nullptr) ::munmap(const_cast<std::uint8_t*>(Data_), static_cast<std::size_t>(Size_));
  Data_ = nullptr;
  Size_ = 0;
}

FileMapping FileMapping::MapForReading(const std::string& path) {
  FileMapping mapping;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return mapping;
  struct stat info {};
  // Only a regular file has a fixed length to map; a device or a pipe is read as a stream.
  if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0) {
    void* view = ::mmap(nullptr, static_cast<std::size_t>(info.st_size), PROT_READ, MAP_PRIVATE,
                        fd, 0);
    if (view != MAP_FAILED) {
      mapping.Data_ = static_cast<const std::uint8_t*>(view);
      mapping.Size_ = info.st_size;
    }
  }
  const int saved = errno;
  ::close(fd);
  errno = saved;
  return mapping;
}

}  // namespace platform
