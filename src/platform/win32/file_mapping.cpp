#include "platform/file_mapping.h"

#include <windows.h>

#include <utility>


namespace platform {

namespace {

// A kernel handle closed when the scope ends; the last error survives the closing.
struct THandle {
  HANDLE Value;
  ~THandle() {
    if (Value == nullptr || Value == INVALID_HANDLE_VALUE) return;
    const DWORD saved = ::GetLastError();
    ::CloseHandle(Value);
    ::SetLastError(saved);
  }
};

}  // namespace

void FileMapping::Unmap() {
  if (Data_ != nullptr) ::UnmapViewOfFile(Data_);
  Data_ = nullptr;
  Size_ = 0;
}

FileMapping FileMapping::MapForReading(const File& file) {
  FileMapping mapping;
  const HANDLE handle = file.Handle_;
  if (handle == INVALID_HANDLE_VALUE || ::GetFileType(handle) != FILE_TYPE_DISK) return mapping;
  LARGE_INTEGER size{};
  // A view of a 32-bit process cannot hold more than its address space; such files are read as
  // streams instead.
  if (!::GetFileSizeEx(handle, &size) || size.QuadPart <= 0 ||
      static_cast<unsigned long long>(size.QuadPart) > static_cast<SIZE_T>(-1)) {
    return mapping;
  }
  // The view keeps the mapping object, and the object the file, alive after both handles close.
  const THandle section{::CreateFileMappingW(handle, nullptr, PAGE_READONLY, 0, 0, nullptr)};
  if (section.Value == nullptr) return mapping;
  const void* view = ::MapViewOfFile(section.Value, FILE_MAP_READ, 0, 0, 0);
  if (view == nullptr) return mapping;
  mapping.Data_ = static_cast<const std::uint8_t*>(view);
  mapping.Size_ = size.QuadPart;
  return mapping;
}

}  // namespace platform
