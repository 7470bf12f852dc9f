// Byte streams: a position and a size over some store. Reads and writes move the position.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "rtl/object.h"

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream : public TObject {
 public:
  TS_CLASS_NAME(TStream)

  // Transfer up to `count` bytes and return how many moved (0 at the end; never negative).
  virtual std::int64_t Read(void* buffer, std::int64_t count) = 0;
  virtual std::int64_t Write(const void* buffer, std::int64_t count) = 0;
  // Moves the position and returns the new one.
  virtual std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) = 0;

  std::int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
  void SetPosition(std::int64_t position) { Seek(position, TSeekOrigin::soBeginning); }
  // The number of bytes in the stream. The base seeks to the end and back.
  virtual std::int64_t Size();
  // Cuts or extends the stream. The base cannot and fails with EStreamError.
  virtual void SetSize(std::int64_t size);

  // Exact transfers: a short read fails with EReadError "ストリームからの読み込みエラー", a short
  // write with EWriteError "ストリームへの書き込みエラー" (what was written stays written).
  void ReadBuffer(void* buffer, std::int64_t count);
  void WriteBuffer(const void* buffer, std::int64_t count);

  // Copies `count` bytes from `source`'s position; a count of 0 copies all of `source` from its
  // start. Returns the count copied.
  std::int64_t CopyFrom(TStream& source, std::int64_t count);
};

// A stream over one block of memory whose address and size can be read directly. This base
// reads a block it does not own (SetPointer); TMemoryStream owns and grows its block.
class TCustomMemoryStream : public TStream {
 public:
  TS_CLASS_NAME(TCustomMemoryStream)

  std::int64_t Read(void* buffer, std::int64_t count) override;
  std::int64_t Write(const void* buffer, std::int64_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  std::int64_t Size() override { return Size_; }

  // The block's address: valid until the block is next resized. Null while empty.
  std::uint8_t* Memory() const { return Memory_; }

  void SaveToStream(TStream& stream);
  void SaveToFile(const std::string& fileName);

 protected:
  // Shows the stream `memory` of `size` bytes; the caller keeps the block alive.
  void SetPointer(std::uint8_t* memory, std::int64_t size);

  std::uint8_t* Memory_ = nullptr;
  std::int64_t Size_ = 0;
  std::int64_t Position_ = 0;
};

// A read-only view of a block owned elsewhere: writes fail (transfer nothing).
class TMemoryViewStream : public TCustomMemoryStream {
 public:
  TS_CLASS_NAME(TMemoryViewStream)
  TMemoryViewStream(const void* memory, std::int64_t size);
};

class TMemoryStream : public TCustomMemoryStream {
 public:
  TS_CLASS_NAME(TMemoryStream)

  TMemoryStream() = default;
  ~TMemoryStream() override;

  std::int64_t Write(const void* buffer, std::int64_t count) override;
  // Resizes the block; new bytes are undefined. Fails with EOutOfMemory when it cannot grow.
  void SetSize(std::int64_t size) override;
  void Clear();

  // Replaces the content by all of `stream` from its start (or the whole file) and rewinds.
  void LoadFromStream(TStream& stream);
  void LoadFromFile(const std::string& fileName);

 private:
  void SetCapacity(std::int64_t capacity);

  std::int64_t Capacity_ = 0;
};
