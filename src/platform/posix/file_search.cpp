#include "platform/file_search.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>

#include <utility>

namespace platform {
namespace {

DIR* AsDir(void* dir) { return static_cast<DIR*>(dir); }

// Whether the entry is something other than a file to be listed: a directory, or of a kind that
// the entry itself does not tell and that turns out not to be a regular file.
bool IsPassedOver(DIR* dir, const dirent& entry) {
  switch (entry.d_type) {
    case DT_REG: return false;
    case DT_DIR: return true;
    default: break;
  }
  struct stat info {};
  if (::fstatat(::dirfd(dir), entry.d_name, &info, 0) != 0) return true;
  return !S_ISREG(info.st_mode);
}

}  // namespace

FileSearch::FileSearch(FileSearch&& other) noexcept
    : Dir_(std::exchange(other.Dir_, nullptr)), Pattern_(std::move(other.Pattern_)) {}

FileSearch& FileSearch::operator=(FileSearch&& other) noexcept {
  if (this != &other) {
    Close();
    Dir_ = std::exchange(other.Dir_, nullptr);
    Pattern_ = std::move(other.Pattern_);
  }
  return *this;
}

FileSearch::~FileSearch() { Close(); }

FileSearch FileSearch::Open(const std::string& directory, const std::string& pattern) {
  FileSearch search;
  search.Dir_ = ::opendir(directory.empty() ? "." : directory.c_str());
  search.Pattern_ = pattern;
  return search;
}

bool FileSearch::Next(std::string& name) {
  if (Dir_ == nullptr) return false;
  while (const dirent* entry = ::readdir(AsDir(Dir_))) {
    if (entry->d_name[0] == '.') continue;  // hidden, and the "." and ".." entries
    if (::fnmatch(Pattern_.c_str(), entry->d_name, 0) != 0) continue;
    if (IsPassedOver(AsDir(Dir_), *entry)) continue;
    name = entry->d_name;
    return true;
  }
  return false;
}

void FileSearch::Close() {
  if (Dir_ != nullptr) ::closedir(AsDir(std::exchange(Dir_, nullptr)));
}

}  // namespace platform
