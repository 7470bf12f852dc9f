// The bytes of the picture that an entry point is asked about.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class TPictureSource {
 public:
  // Takes the entry point's (buf, len, flag). With SPI_INPUT_MEMORY in `flag`, `buf` holds the
  // picture's `len` bytes, which this object only shows (the caller keeps them alive).
  // Otherwise `buf` names a file in the 8-bit code page and `len` is the offset of the picture
  // inside it; the bytes from there to the end are read into memory that this object owns.
  // Answers SPI_SUCCESS or a plug-in error code.
  std::int32_t Open(const char* buf, std::int32_t len, std::uint32_t flag);

  const std::uint8_t* Data() const { return Data_; }
  std::size_t Size() const { return Size_; }

 private:
  std::int32_t ReadFile(const char* fileName, std::int32_t offset);

  std::vector<std::uint8_t> FileBytes_;
  const std::uint8_t* Data_ = nullptr;
  std::size_t Size_ = 0;
};
