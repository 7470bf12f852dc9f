#include "platform/file_search.h"

#include <windows.h>

#include <utility>

#include "platform/text.h"

namespace platform {
namespace {

// The DOS volume-label bit: no longer set by today's systems, but never a file to list.
constexpr DWORD kVolumeLabel = 0x8;
constexpr DWORD kPassedOver = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_DIRECTORY | kVolumeLabel;

}  // namespace

FileSearch::FileSearch(FileSearch&& other) noexcept
    : Handle_(std::exchange(other.Handle_, INVALID_HANDLE_VALUE)),
      HavePending_(std::exchange(other.HavePending_, false)),
      PendingName_(std::move(other.PendingName_)),
      PendingAttributes_(other.PendingAttributes_) {}

FileSearch& FileSearch::operator=(FileSearch&& other) noexcept {
  if (this != &other) {
    Close();
    Handle_ = std::exchange(other.Handle_, INVALID_HANDLE_VALUE);
    HavePending_ = std::exchange(other.HavePending_, false);
    PendingName_ = std::move(other.PendingName_);
    PendingAttributes_ = other.PendingAttributes_;
  }
  return *this;
}

FileSearch::~FileSearch() { Close(); }

FileSearch FileSearch::Open(const std::string& directory, const std::string& pattern) {
  FileSearch search;
  WIN32_FIND_DATAW data;
  search.Handle_ = ::FindFirstFileW(Widen(directory + pattern).c_str(), &data);
  if (search.Handle_ != INVALID_HANDLE_VALUE) {
    search.HavePending_ = true;
    search.PendingName_ = data.cFileName;
    search.PendingAttributes_ = data.dwFileAttributes;
  }
  return search;
}

bool FileSearch::Next(std::string& name) {
  if (Handle_ == INVALID_HANDLE_VALUE) return false;
  for (;;) {
    if (!HavePending_) {
      WIN32_FIND_DATAW data;
      if (!::FindNextFileW(Handle_, &data)) return false;
      PendingName_ = data.cFileName;
      PendingAttributes_ = data.dwFileAttributes;
    }
    HavePending_ = false;
    if ((PendingAttributes_ & kPassedOver) != 0) continue;
    name = Narrow(PendingName_);
    return true;
  }
}

void FileSearch::Close() {
  if (Handle_ != INVALID_HANDLE_VALUE) ::FindClose(std::exchange(Handle_, INVALID_HANDLE_VALUE));
  HavePending_ = false;
}

}  // namespace platform
