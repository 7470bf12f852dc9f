#include "platform/shared_memory.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

void SharedMemoryHandle::Close() {
  if (Value_ != kNone) ::close(static_cast<int>(std::exchange(Value_, kNone)));
}

void SharedMemory::Unmap() {
  if (Data_ != nullptr) ::munmap(Data_, Size_);
  Data_ = nullptr;
  Size_ = 0;
}

SharedMemory SharedMemory::Create(std::size_t size) {
  if (size == 0) size = 1;
  // Not inherited by accident: the channel hands it over explicitly. Sealed at its size, so
  // that neither side can shrink it under the other's view (a touch past the end would fault).
  SharedMemoryHandle handle(::memfd_create("tintsight-shared", MFD_CLOEXEC | MFD_ALLOW_SEALING));
  const int fd = static_cast<int>(handle.Value());
  if (!handle.IsValid() || ::ftruncate(fd, static_cast<off_t>(size)) != 0 ||
      ::fcntl(fd, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_SEAL) != 0) {
    return {};
  }
  return Map(std::move(handle), size);
}

SharedMemory SharedMemory::Map(SharedMemoryHandle handle, std::size_t size) {
  SharedMemory memory;
  struct stat info {};
  const int fd = static_cast<int>(handle.Value());
  // A view past the object's end would fault on touch: the object's own size decides.
  if (!handle.IsValid() || size == 0 || ::fstat(fd, &info) != 0 || info.st_size < 0 ||
      static_cast<std::uint64_t>(info.st_size) < size ||
      (::fcntl(fd, F_GET_SEALS) & F_SEAL_SHRINK) == 0) {
    return memory;
  }
  // Every page is made at once, which costs far less than a fault per page as it is filled.
  void* view = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_POPULATE, fd, 0);
  if (view == MAP_FAILED) return memory;
  memory.Handle_ = std::move(handle);
  memory.Data_ = static_cast<std::uint8_t*>(view);
  memory.Size_ = size;
  return memory;
}

}  // namespace platform
