// Memory shared between the program and its plug-in helper: the picture's bytes go in, decoded
// blocks come out, without passing through the channel between them. One object owns one block
// of the system's anonymous shared memory (a memfd elsewhere, a page-file-backed file mapping on
// Windows) and its read-write view in this process; both are released by the destructor on every
// path. The block is handed to the other process with the channel's messages (see
// child_process.h), which then owns a handle of its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>

namespace platform {

// The system's handle of a block of shared memory, owned: closed by the destructor. Handed from
// one process to the other by the channel.
class SharedMemoryHandle {
 public:
  SharedMemoryHandle() = default;
  explicit SharedMemoryHandle(std::intptr_t value) noexcept : Value_(value) {}
  SharedMemoryHandle(SharedMemoryHandle&& other) noexcept
      : Value_(std::exchange(other.Value_, kNone)) {}
  SharedMemoryHandle& operator=(SharedMemoryHandle&& other) noexcept {
    if (this != &other) {
      Close();
      Value_ = std::exchange(other.Value_, kNone);
    }
    return *this;
  }
  SharedMemoryHandle(const SharedMemoryHandle&) = delete;
  SharedMemoryHandle& operator=(const SharedMemoryHandle&) = delete;
  ~SharedMemoryHandle() { Close(); }

  static constexpr std::intptr_t kNone = -1;
  bool IsValid() const { return Value_ != kNone; }
  // The descriptor (elsewhere) or HANDLE (Windows) as a number; kNone when nothing is held.
  std::intptr_t Value() const { return Value_; }
  // Gives the handle up without closing it.
  std::intptr_t Release() noexcept { return std::exchange(Value_, kNone); }
  void Close();

 private:
  std::intptr_t Value_ = kNone;
};

class SharedMemory {
 public:
  SharedMemory() = default;
  SharedMemory(SharedMemory&& other) noexcept
      : Handle_(std::move(other.Handle_)),
        Data_(std::exchange(other.Data_, nullptr)),
        Size_(std::exchange(other.Size_, 0)) {}
  SharedMemory& operator=(SharedMemory&& other) noexcept {
    if (this != &other) {
      Unmap();
      Handle_ = std::move(other.Handle_);
      Data_ = std::exchange(other.Data_, nullptr);
      Size_ = std::exchange(other.Size_, 0);
    }
    return *this;
  }
  SharedMemory(const SharedMemory&) = delete;
  SharedMemory& operator=(const SharedMemory&) = delete;
  ~SharedMemory() { Unmap(); }

  // A new zero-filled block of `size` bytes (at least 1), mapped read-write. Not valid when the
  // system refuses it (its error code then left as the last error).
  static SharedMemory Create(std::size_t size);
  // Maps the first `size` bytes of a block received from the other process, taking over
  // `handle`. Not valid when the block is smaller than `size` (a size read from the other side
  // is never trusted) or cannot be mapped.
  static SharedMemory Map(SharedMemoryHandle handle, std::size_t size);

  bool IsValid() const { return Data_ != nullptr; }
  std::uint8_t* Data() const { return Data_; }
  std::size_t Size() const { return Size_; }
  const SharedMemoryHandle& Handle() const { return Handle_; }

 private:
  // The one OS call of the two builds' own: releases the view, if any.
  void Unmap();

  SharedMemoryHandle Handle_;
  std::uint8_t* Data_ = nullptr;
  std::size_t Size_ = 0;
};

}  // namespace platform
