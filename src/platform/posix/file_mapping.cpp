#include "platform/file_mapping.h"

#include <sys/mman.h>
#include <sys/stat.h>

#include <utility>

namespace platform {

void FileMapping::Unmap() {
  if (Data_ != nullptr) ::munmap(const_cast<std::uint8_t*>(Data_), static_cast<std::size_t>(Size_));
  Data_ = nullptr;
  Size_ = 0;
}

FileMapping FileMapping::MapForReading(const File& file) {
  FileMapping mapping;
  struct stat info {};
  // Only a regular file has a fixed length to map; a device or a pipe is read as a stream.
  if (file.Fd_ < 0 || ::fstat(file.Fd_, &info) != 0 || !S_ISREG(info.st_mode) ||
      info.st_size <= 0) {
    return mapping;
  }
  void* view =
      ::mmap(nullptr, static_cast<std::size_t>(info.st_size), PROT_READ, MAP_PRIVATE, file.Fd_, 0);
  if (view == MAP_FAILED) return mapping;
  mapping.Data_ = static_cast<const std::uint8_t*>(view);
  mapping.Size_ = info.st_size;
  return mapping;
}

}  // namespace platform
