// The image data of a PNG file: filtered rows compressed into one zlib stream, written as IDAT
// chunks. The bytes are cut into blocks that are compressed side by side on several threads,
// each block its own run of deflate primed with the 32 KB before it and ended on a byte
// boundary (a sync flush), so that the blocks joined in order are one valid stream; the stream's
// checksum is combined from theirs. Memory: a few blocks, whatever the picture's size.
#pragma once

#include <cstdint>
#include <deque>
#include <future>
#include <vector>

#include "image/png/png_compression.h"
#include "rtl/stream.h"

class TPngIdatWriter {
 public:
  // Writes to `stream` (not owned; it must outlive the writer), compressed as `compression`
  // says.
  TPngIdatWriter(TStream& stream, const TPngCompression& compression);
  // Waits for blocks still being compressed; what they made is dropped, and blocks not yet
  // begun are not compressed.
  ~TPngIdatWriter();

  TPngIdatWriter(const TPngIdatWriter&) = delete;
  TPngIdatWriter& operator=(const TPngIdatWriter&) = delete;

  // Adds `count` bytes of filtered rows. Fails with the stream's error, or with EOutOfMemory
  // "システム リソースが足りません" when zlib has no memory.
  void Write(const std::uint8_t* data, std::int64_t count);

  // Compresses what is left, ends the stream with its checksum and writes the last IDAT
  // chunks. Once only, after the last Write.
  void Finish();

  // A compressed block: an IDAT chunk but for its checksum.
  struct TCompressedBlock {
    std::vector<std::uint8_t> Chunk;  // length, "IDAT", data; the CRC is added when written
    std::uint32_t ChunkCrc = 0;       // of "IDAT" and the data so far
    std::uint32_t Adler = 0;          // of the block's uncompressed bytes
    std::int64_t Bytes = 0;           // uncompressed bytes
    bool Last = false;                // the stream's end, to which its checksum is added
  };

 private:
  // Hands the current block to a thread (or compresses it here) and starts the next.
  void Submit(bool last);
  // Writes the oldest block compressed so far.
  void WriteOldest();

  TStream& Stream_;
  TPngCompression Compression_;
  int Threads_;
  // The current block: the dictionary (the 32 KB before it), then its own bytes.
  std::vector<std::uint8_t> Block_;
  std::size_t DictionaryBytes_ = 0;
  std::int64_t Blocks_ = 0;  // submitted so far
  std::deque<std::future<TCompressedBlock>> Pending_;
  std::uint32_t Adler_;  // of everything written
};
