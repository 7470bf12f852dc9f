// The pixel rows of an uncompressed BMP, read from a stream in large blocks, front to back or
// back to front, without ever holding the picture.
#pragma once

#include <cstdint>
#include <vector>

#include "image/bmp/bmp_format.h"

class TStream;

// Rows of one block, in the file's order: `Count` rows of the picture's row length each, padding
// included. Count is 0 once every row has been handed out.
struct TBmpRowBlock {
  std::uint8_t* Rows = nullptr;
  int Count = 0;
};

class TBmpRowReader {
 public:
  // The block size aimed at: large enough that reads cost little per byte, small enough that
  // memory does not grow with the picture.
  static constexpr std::int64_t kBlockBytes = std::int64_t{1} << 20;

  // Reads the rows of a picture of `prologue` (as ReadBmpPrologue read it, uncompressed), whose
  // first pixel byte is at the current position of `stream`. Front to back reads the stream
  // sequentially from there; back to front seeks, a block at a time, from the last row. The
  // stream is not owned and must outlive the reader; the reader owns its one block.
  TBmpRowReader(TStream& stream, const TBmpPrologue& prologue, bool backToFront);

  // The next block of rows; valid, and writable, until the next call. Bytes beyond the
  // prologue's PixelBytes (a file shorter than its rows, or a smaller image size) read as 0,
  // as they stand in a new picture's pixel memory. A read error of the stream passes on.
  TBmpRowBlock NextBlock();

  std::int64_t RowLength() const { return RowLength_; }

 private:
  TStream& Stream_;
  std::int64_t Start_;       // stream position of the first pixel byte
  std::int64_t RowLength_;
  std::int64_t Rows_;
  std::int64_t PixelBytes_;  // bytes present in the stream, from Start_
  bool BackToFront_;
  std::int64_t Next_ = 0;    // rows handed out so far
  std::vector<std::uint8_t> Block_;
};
