// Private memory for buffers handed to 64-bit Windows plug-ins. Some of them keep a buffer's
// address in 32 bits and fault when it lies above 4 GB, as the static data of a 64-bit program
// and the system's own placements may; so on 64-bit Windows every such block lies wholly below
// 4 GB. A 32-bit process has nothing else; natively (our own ELF plug-ins) the block lies where the
// system puts it. One object owns one block, zero-filled when made, and releases it in its
// destructor on every path.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>

namespace platform {

class LowMemory {
 public:
  LowMemory() = default;
  LowMemory(LowMemory&& other) noexcept
      : Data_(std::exchange(other.Data_, nullptr)), Size_(std::exchange(other.Size_, 0)) {}
  LowMemory& operator=(LowMemory&& other) noexcept {
    if (this != &other) {
      Release();
      Data_ = std::exchange(other.Data_, nullptr);
      Size_ = std::exchange(other.Size_, 0);
    }
    return *this;
  }
  LowMemory(const LowMemory&) = delete;
  LowMemory& operator=(const LowMemory&) = delete;
  ~LowMemory() { Release(); }

  // A new zero-filled read-write block of `size` bytes (at least 1). Not valid when no room is
  // left where it must lie.
  static LowMemory Allocate(std::size_t size);
  // Whether the `size` bytes at `data` lie where Allocate places its blocks (always true outside
  // 64-bit Windows).
  static bool IsLow(const void* data, std::size_t size);

  bool IsValid() const { return Data_ != nullptr; }
  std::uint8_t* Data() const { return Data_; }
  std::size_t Size() const { return Size_; }

 private:
  void Release();

  std::uint8_t* Data_ = nullptr;
  std::size_t Size_ = 0;
};

}  // namespace platform
