#include "picture_source.h"

#include <cstdio>
#include <limits>
#include <memory>

#include "spi_abi.h"

namespace {

struct TFileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

std::int32_t TPictureSource::Open(const char* buf, std::int32_t len, std::uint32_t flag) {
  if (buf == nullptr) return SPI_MEMORY_ERROR;
  if ((flag & SPI_INPUT_MEMORY) == 0) return ReadFile(buf, len);
  if (len < 0) return SPI_BROKEN_DATA;
  Data_ = reinterpret_cast<const std::uint8_t*>(buf);
  Size_ = static_cast<std::size_t>(len);
  return SPI_SUCCESS;
}

std::int32_t TPictureSource::ReadFile(const char* fileName, std::int32_t offset) {
  if (offset < 0) return SPI_FILE_READ_ERROR;
  // fopen takes the name in the 8-bit code page on Windows, as plug-in names travel.
  std::unique_ptr<std::FILE, TFileCloser> file(std::fopen(fileName, "rb"));
  if (!file) return SPI_FILE_READ_ERROR;
  if (std::fseek(file.get(), 0, SEEK_END) != 0) return SPI_FILE_READ_ERROR;
  const long end = std::ftell(file.get());
  if (end < 0 || end < offset) return SPI_FILE_READ_ERROR;
  const auto count = static_cast<std::int64_t>(end) - offset;
  // The picture's length travels as a 32-bit signed value.
  if (count > std::numeric_limits<std::int32_t>::max()) return SPI_NO_MEMORY;
  if (std::fseek(file.get(), offset, SEEK_SET) != 0) return SPI_FILE_READ_ERROR;
  FileBytes_.resize(static_cast<std::size_t>(count));
  if (count > 0 &&
      std::fread(FileBytes_.data(), 1, FileBytes_.size(), file.get()) != FileBytes_.size()) {
    return SPI_FILE_READ_ERROR;
  }
  Data_ = FileBytes_.data();
  Size_ = FileBytes_.size();
  return SPI_SUCCESS;
}
