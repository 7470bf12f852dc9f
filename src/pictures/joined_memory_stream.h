// A read-only stream that presents two blocks of memory as one sequence of bytes, the first
// followed by the second. LoadFromSPI reads a plug-in's picture through it: the assembled
// headers first, then the plug-in's own pixel block, so that the pixels are copied once, from
// that block into the picture, and no buffer ever holds both.
#pragma once

#include <cstdint>
#include <span>

#include "rtl/stream.h"

class TJoinedMemoryStream : public TStream {
 public:
  TS_CLASS_NAME(TJoinedMemoryStream)

  // Neither block is owned or copied: both must outlive the stream. The position starts at 0.
  TJoinedMemoryStream(std::span<const std::uint8_t> first, std::span<const std::uint8_t> second);

  std::int64_t Read(void* buffer, std::int64_t count) override;
  // Writes transfer nothing.
  std::int64_t Write(const void* buffer, std::int64_t count) override;
  // Any position from 0 to Size() may be set; others are clamped into that range.
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  std::int64_t Size() override;

 private:
  std::span<const std::uint8_t> First_;
  std::span<const std::uint8_t> Second_;
  std::int64_t Position_ = 0;
};
