// A read-only view of a whole file in memory, owned: unmapped by the destructor on every path.
// The file's pages are read when touched, so offering a large file costs no copy.
#pragma once

#include <cstdint>
#include <utility>

#include "platform/file.h"

namespace platform {

class FileMapping {
 public:
  FileMapping() = default;
  FileMapping(FileMapping&& other) noexcept
      : Data_(std::exchange(other.Data_, nullptr)), Size_(std::exchange(other.Size_, 0)) {}
  FileMapping& operator=(FileMapping&& other) noexcept {
    if (this != &other) {
      Unmap();
      Data_ = std::exchange(other.Data_, nullptr);
      Size_ = std::exchange(other.Size_, 0);
    }
    return *this;
  }
  FileMapping(const FileMapping&) = delete;
  FileMapping& operator=(const FileMapping&) = delete;
  ~FileMapping() { Unmap(); }

  // Maps all of `file`, a regular file open for reading, so that its bytes are those the file
  // itself reads. The view stays valid after the file is closed, until the mapping is destroyed.
  // A file that is not open, not a regular file or empty (nothing to map), or a failure, gives a
  // mapping of nothing; the system's error code is then left as the last error.
  static FileMapping MapForReading(const File& file);

  bool IsMapped() const { return Data_ != nullptr; }
  // The file's bytes: Size() of them at Data(); null and 0 when nothing is mapped.
  const std::uint8_t* Data() const { return Data_; }
  std::int64_t Size() const { return Size_; }

 private:
  // The one OS call of the two builds' own: releases the view, if any, and maps nothing.
  void Unmap();

  const std::uint8_t* Data_ = nullptr;
  std::int64_t Size_ = 0;
};

}  // namespace platform
