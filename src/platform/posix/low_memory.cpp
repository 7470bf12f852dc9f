#include "platform/low_memory.h"

#include <sys/mman.h>

namespace platform {

void LowMemory::Release() {
  if (Data_ != nullptr) ::munmap(Data_, Size_);
  Data_ = nullptr;
  Size_ = 0;
}

bool LowMemory::IsLow(const void*, std::size_t) { return true; }

LowMemory LowMemory::Allocate(std::size_t size) {
  LowMemory memory;
  if (size == 0) size = 1;
  void* block = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (block == MAP_FAILED) return memory;
  memory.Data_ = static_cast<std::uint8_t*>(block);
  memory.Size_ = size;
  return memory;
}

}  // namespace platform
