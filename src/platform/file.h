// One open file, owned: closed by the destructor on every path.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

enum class TFileAccess { faRead, faWrite, faReadWrite };
// Whom else the file is shared with while it is open.
enum class TFileShare { fsNone, fsRead, fsReadWrite };
// How the file is found or made: it must exist, or it is always created anew (truncated).
enum class TFileDisposition { fdOpenExisting, fdCreateAlways };

class File {
 public:
  File() = default;
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  ~File();

  // Opens `path` (UTF-8). On failure the result is not open and the system's error code is left
  // as the last error.
  static File Open(const std::string& path, TFileAccess access, TFileShare share,
                   TFileDisposition disposition);

  bool IsOpen() const;
  // Each transfers what it can and returns the count, or -1 on failure.
  std::int64_t Read(void* buffer, std::int64_t count);
  std::int64_t Write(const void* buffer, std::int64_t count);
  // Moves the file pointer (origin 0 start, 1 current, 2 end); returns the new position or -1.
  std::int64_t Seek(std::int64_t offset, int origin);
  // Cuts or extends the file at the current position; false on failure.
  bool Truncate();
  void Close();

 private:
#ifdef _WIN32
  void* Handle_ = reinterpret_cast<void*>(static_cast<std::intptr_t>(-1));
#else
  int Fd_ = -1;
#endif
};

// Replaces `target` by `source` in one step (both in one folder); false on failure.
bool ReplaceFileAtomically(const std::string& source, const std::string& target);
// Deletes a file; false on failure.
bool RemoveFile(const std::string& path);
// Whether a file or folder exists at `path`.
bool PathExists(const std::string& path);
// The process id, for names that must not clash between processes.
unsigned long ProcessId();

}  // namespace platform
