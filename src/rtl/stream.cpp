#include "rtl/stream.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "rtl/exception.h"
#include "rtl/file_stream.h"
#include "rtl/messages.h"

std::int64_t TStream::Size() {
  const std::int64_t here = Seek(0, TSeekOrigin::soCurrent);
  const std::int64_t end = Seek(0, TSeekOrigin::soEnd);
  Seek(here, TSeekOrigin::soBeginning);
  return end;
}

void TStream::SetSize(std::int64_t) { throw EStreamError(rtl_messages::SWriteError); }

void TStream::ReadBuffer(void* buffer, std::int64_t count) {
  if (count != 0 && Read(buffer, count) != count) throw EReadError(rtl_messages::SReadError);
}

void TStream::WriteBuffer(const void* buffer, std::int64_t count) {
  if (count != 0 && Write(buffer, count) != count) throw EWriteError(rtl_messages::SWriteError);
}

std::int64_t TStream::CopyFrom(TStream& source, std::int64_t count) {
  if (count == 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  constexpr std::int64_t kChunk = 1 << 20;
  std::vector<std::uint8_t> buffer(static_cast<std::size_t>(std::min(count, kChunk)));
  for (std::int64_t left = count; left > 0;) {
    const std::int64_t n = std::min(left, kChunk);
    source.ReadBuffer(buffer.data(), n);
    WriteBuffer(buffer.data(), n);
    left -= n;
  }
  return count;
}

std::int64_t TCustomMemoryStream::Read(void* buffer, std::int64_t count) {
  if (count <= 0 || Position_ >= Size_) return 0;
  const std::int64_t n = std::min(count, Size_ - Position_);
  std::memcpy(buffer, Memory_ + Position_, static_cast<std::size_t>(n));
  Position_ += n;
  return n;
}

std::int64_t TCustomMemoryStream::Write(const void*, std::int64_t) { return 0; }

std::int64_t TCustomMemoryStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  switch (origin) {
    case TSeekOrigin::soBeginning: Position_ = offset; break;
    case TSeekOrigin::soCurrent: Position_ += offset; break;
    case TSeekOrigin::soEnd: Position_ = Size_ + offset; break;
  }
  return Position_;
}

void TCustomMemoryStream::SetPointer(std::uint8_t* memory, std::int64_t size) {
  Memory_ = memory;
  Size_ = size;
}

void TCustomMemoryStream::SaveToStream(TStream& stream) { stream.WriteBuffer(Memory_, Size_); }

void TCustomMemoryStream::SaveToFile(const std::string& fileName) {
  TFileStream file(fileName, fmCreate);
  SaveToStream(file);
}

TMemoryViewStream::TMemoryViewStream(const void* memory, std::int64_t size) {
  // The view never writes through the pointer: Write is the base's, which transfers nothing.
  SetPointer(static_cast<std::uint8_t*>(const_cast<void*>(memory)), size);
}

TMemoryStream::~TMemoryStream() { std::free(Memory_); }

std::int64_t TMemoryStream::Write(const void* buffer, std::int64_t count) {
  if (count <= 0 || Position_ < 0) return 0;
  const std::int64_t end = Position_ + count;
  if (end > Size_) {
    if (end > Capacity_) SetCapacity(std::max(end, Capacity_ + Capacity_ / 2));
    Size_ = end;
  }
  std::memcpy(Memory_ + Position_, buffer, static_cast<std::size_t>(count));
  Position_ = end;
  return count;
}

void TMemoryStream::SetSize(std::int64_t size) {
  if (size < 0) size = 0;
  const std::int64_t oldPosition = Position_;
  SetCapacity(size);
  Size_ = size;
  if (oldPosition > size) Seek(0, TSeekOrigin::soEnd);
}

void TMemoryStream::Clear() {
  std::free(std::exchange(Memory_, nullptr));
  Capacity_ = Size_ = Position_ = 0;
}

void TMemoryStream::SetCapacity(std::int64_t capacity) {
  if (capacity == Capacity_) return;
  if (capacity == 0) {
    std::free(std::exchange(Memory_, nullptr));
    Capacity_ = 0;
    return;
  }
  if (static_cast<std::uint64_t>(capacity) > SIZE_MAX) throw EOutOfMemory(rtl_messages::SOutOfResources);
  void* grown = std::realloc(Memory_, static_cast<std::size_t>(capacity));
  if (grown == nullptr) throw EOutOfMemory(rtl_messages::SOutOfResources);
  Memory_ = static_cast<std::uint8_t*>(grown);
  Capacity_ = capacity;
}

void TMemoryStream::LoadFromStream(TStream& stream) {
  stream.SetPosition(0);
  const std::int64_t count = stream.Size();
  SetSize(count);
  if (count != 0) stream.ReadBuffer(Memory_, count);
  Position_ = 0;
}

void TMemoryStream::LoadFromFile(const std::string& fileName) {
  TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(file);
}
