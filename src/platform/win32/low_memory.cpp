#include "platform/low_memory.h"

#include <windows.h>

namespace platform {

namespace {

#ifdef _WIN64
constexpr std::uint64_t kLowLimit = std::uint64_t{1} << 32;

// The first free region below 4 GB with room for `size` bytes at an allocation-granularity
// boundary; 0 when there is none.
std::uintptr_t FreeLowRegion(std::size_t size, std::uintptr_t granularity) {
  std::uintptr_t at = granularity;
  MEMORY_BASIC_INFORMATION region{};
  while (at < kLowLimit && ::VirtualQuery(reinterpret_cast<void*>(at), &region, sizeof region) != 0) {
    const auto base = reinterpret_cast<std::uintptr_t>(region.BaseAddress);
    const std::uintptr_t end = base + region.RegionSize;
    const std::uintptr_t start = (base + granularity - 1) / granularity * granularity;
    if (region.State == MEM_FREE && start < end && end - start >= size && start + size <= kLowLimit) {
      return start;
    }
    if (end <= at) return 0;
    at = end;
  }
  return 0;
}
#endif

}  // namespace

void LowMemory::Release() {
  if (Data_ != nullptr) ::VirtualFree(Data_, 0, MEM_RELEASE);
  Data_ = nullptr;
  Size_ = 0;
}

bool LowMemory::IsLow(const void* data, std::size_t size) {
#ifdef _WIN64
  const auto at = reinterpret_cast<std::uintptr_t>(data);
  return size <= kLowLimit && at <= kLowLimit - size;
#else
  (void)data;
  (void)size;
  return true;
#endif
}

LowMemory LowMemory::Allocate(std::size_t size) {
  LowMemory memory;
  if (size == 0) size = 1;
#ifdef _WIN64
  SYSTEM_INFO system{};
  ::GetSystemInfo(&system);
  // Another thread may take the region found between the query and the allocation: then the
  // next free one is tried.
  void* block = nullptr;
  for (int attempt = 0; attempt < 8 && block == nullptr; ++attempt) {
    const std::uintptr_t at = FreeLowRegion(size, system.dwAllocationGranularity);
    if (at == 0) return memory;
    block = ::VirtualAlloc(reinterpret_cast<void*>(at), size, MEM_RESERVE | MEM_COMMIT,
                           PAGE_READWRITE);
  }
#else
  void* block = ::VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
#endif
  if (block == nullptr) return memory;
  memory.Data_ = static_cast<std::uint8_t*>(block);
  memory.Size_ = size;
  return memory;
}

}  // namespace platform
