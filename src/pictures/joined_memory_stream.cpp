#include "pictures/joined_memory_stream.h"

#include <algorithm>
#include <cstring>

TJoinedMemoryStream::TJoinedMemoryStream(std::span<const std::uint8_t> first,
                                         std::span<const std::uint8_t> second)
    : First_(first), Second_(second) {}

std::int64_t TJoinedMemoryStream::Size() {
  return static_cast<std::int64_t>(First_.size() + Second_.size());
}

std::int64_t TJoinedMemoryStream::Read(void* buffer, std::int64_t count) {
  auto* out = static_cast<std::uint8_t*>(buffer);
  const auto firstSize = static_cast<std::int64_t>(First_.size());
  const auto secondSize = static_cast<std::int64_t>(Second_.size());
  std::int64_t done = 0;
  // From the first block while the position lies in it, then on from the second.
  if (Position_ < firstSize && count > 0) {
    done = std::min(count, firstSize - Position_);
    std::memcpy(out, First_.data() + Position_, static_cast<std::size_t>(done));
    Position_ += done;
  }
  const std::int64_t from = Position_ - firstSize;
  const std::int64_t rest = std::min(count - done, secondSize - from);
  if (rest > 0) {
    std::memcpy(out + done, Second_.data() + from, static_cast<std::size_t>(rest));
    done += rest;
    Position_ += rest;
  }
  return done;
}

std::int64_t TJoinedMemoryStream::Write(const void* /*buffer*/, std::int64_t /*count*/) {
  return 0;
}

std::int64_t TJoinedMemoryStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  std::int64_t base = 0;
  switch (origin) {
    case TSeekOrigin::soBeginning: base = 0; break;
    case TSeekOrigin::soCurrent: base = Position_; break;
    case TSeekOrigin::soEnd: base = Size(); break;
  }
  Position_ = std::clamp<std::int64_t>(base + offset, 0, Size());
  return Position_;
}
