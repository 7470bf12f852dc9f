// Listing the files of one directory whose names match a wildcard pattern.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// An open listing, owned: the destructor closes it. It yields plain files only, in the order the
// file system returns them: hidden files, directories and volume labels are passed over, while
// read-only, system and archive files are found. On Windows the pattern is matched by the system
// (FindFirstFile rules, letter case ignored); elsewhere by fnmatch, letter case significant, and
// names beginning with '.' count as hidden.
class FileSearch {
 public:
  FileSearch() = default;
  FileSearch(FileSearch&& other) noexcept;
  FileSearch& operator=(FileSearch&& other) noexcept;
  FileSearch(const FileSearch&) = delete;
  FileSearch& operator=(const FileSearch&) = delete;
  ~FileSearch();

  // Starts listing `directory` (UTF-8, empty for the current directory, otherwise ending with a
  // path delimiter) for names matching `pattern` (no directory part). A directory that cannot
  // be listed, or holds no match, gives a listing that yields nothing.
  static FileSearch Open(const std::string& directory, const std::string& pattern);

  // The next matching file name (without directory), or false when the listing is done.
  bool Next(std::string& name);

  // Ends the listing now (no-op when it is already closed).
  void Close();

 private:
#ifdef _WIN32
  void* Handle_ = reinterpret_cast<void*>(static_cast<std::intptr_t>(-1));
  // FindFirstFile already holds the first entry; it is yielded by the first Next.
  bool HavePending_ = false;
  std::wstring PendingName_;
  unsigned long PendingAttributes_ = 0;
#else
  void* Dir_ = nullptr;  // DIR*
  std::string Pattern_;
#endif
};

}  // namespace platform
