#include "platform/shared_memory.h"

#include <windows.h>

namespace platform {

void SharedMemoryHandle::Close() {
  if (Value_ != kNone) ::CloseHandle(reinterpret_cast<HANDLE>(std::exchange(Value_, kNone)));
}

void SharedMemory::Unmap() {
  if (Data_ != nullptr) ::UnmapViewOfFile(Data_);
  Data_ = nullptr;
  Size_ = 0;
}

SharedMemory SharedMemory::Create(std::size_t size) {
  if (size == 0) size = 1;
  const auto wide = static_cast<std::uint64_t>(size);
  // Backed by the page file, not inherited: the channel hands it over explicitly.
  HANDLE section = ::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE,
                                        static_cast<DWORD>(wide >> 32), static_cast<DWORD>(wide),
                                        nullptr);
  if (section == nullptr) return {};
  return Map(SharedMemoryHandle(reinterpret_cast<std::intptr_t>(section)), size);
}

SharedMemory SharedMemory::Map(SharedMemoryHandle handle, std::size_t size) {
  SharedMemory memory;
  if (!handle.IsValid() || size == 0) return memory;
  // A view larger than the section is refused by the system; the region that results is
  // checked as well, since a size read from the other side is never trusted.
  void* view = ::MapViewOfFile(reinterpret_cast<HANDLE>(handle.Value()), FILE_MAP_WRITE, 0, 0, size);
  if (view == nullptr) return memory;
  MEMORY_BASIC_INFORMATION region{};
  if (::VirtualQuery(view, &region, sizeof region) == 0 || region.RegionSize < size) {
    ::UnmapViewOfFile(view);
    return memory;
  }
  memory.Handle_ = std::move(handle);
  memory.Data_ = static_cast<std::uint8_t*>(view);
  memory.Size_ = size;
  return memory;
}

}  // namespace platform
