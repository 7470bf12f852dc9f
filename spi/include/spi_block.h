// Ownership of the local-memory blocks that cross the plug-in boundary, for the host and for our
// plug-ins alike. A plug-in allocates the blocks it returns; the caller that receives them owns
// them from then on and must unlock and free each one on every path. These two small types make
// that automatic.
#pragma once

#include <cstddef>
#include <utility>

#include "spi_abi.h"

// Owns one block (or nothing) and frees it when destroyed, unless Release() handed it on.
class TSpiBlock {
 public:
  TSpiBlock() = default;
  // Takes over `handle` (which may be null).
  explicit TSpiBlock(TSpiHandle handle) noexcept : Handle_(handle) {}
  TSpiBlock(TSpiBlock&& other) noexcept : Handle_(std::exchange(other.Handle_, nullptr)) {}
  TSpiBlock& operator=(TSpiBlock&& other) noexcept {
    if (this != &other) {
      Reset();
      Handle_ = std::exchange(other.Handle_, nullptr);
    }
    return *this;
  }
  TSpiBlock(const TSpiBlock&) = delete;
  TSpiBlock& operator=(const TSpiBlock&) = delete;
  ~TSpiBlock() { Reset(); }

  // A new block of `size` bytes; holds nothing when the allocation failed.
  static TSpiBlock Allocate(std::size_t size) { return TSpiBlock(SpiLocalAlloc(size)); }

  explicit operator bool() const noexcept { return Handle_ != nullptr; }
  TSpiHandle Get() const noexcept { return Handle_; }
  // The block's size in bytes as the allocator reports it; 0 when nothing is held.
  std::size_t Size() const noexcept { return Handle_ != nullptr ? SpiLocalSize(Handle_) : 0; }

  // Gives the block up to the caller, who then owns it.
  TSpiHandle Release() noexcept { return std::exchange(Handle_, nullptr); }
  void Reset() noexcept {
    if (Handle_ != nullptr) SpiLocalFree(std::exchange(Handle_, nullptr));
  }

 private:
  TSpiHandle Handle_ = nullptr;
};

// Keeps a block locked while it lives. Data() is the block's address, or null when there is no
// block or the lock failed; only a successful lock is undone.
class TSpiBlockLock {
 public:
  explicit TSpiBlockLock(TSpiHandle handle) noexcept
      : Handle_(handle), Data_(handle != nullptr ? SpiLocalLock(handle) : nullptr) {}
  explicit TSpiBlockLock(const TSpiBlock& block) noexcept : TSpiBlockLock(block.Get()) {}
  TSpiBlockLock(const TSpiBlockLock&) = delete;
  TSpiBlockLock& operator=(const TSpiBlockLock&) = delete;
  ~TSpiBlockLock() {
    if (Data_ != nullptr) SpiLocalUnlock(Handle_);
  }

  void* Data() const noexcept { return Data_; }

 private:
  TSpiHandle Handle_;
  void* Data_;
};
