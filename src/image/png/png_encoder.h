// A PNG file written row by row: the signature, header and palette first, then each row as it
// comes, filtered and compressed while the next ones are made, and the end. No interlace, no
// ancillary chunks. Memory: a few rows and a few compressed blocks, whatever the picture's size.
#pragma once

#include <cstdint>

#include "image/png/png_compression.h"
#include "image/png/png_idat_writer.h"
#include "image/png/png_layout.h"
#include "image/png/png_row_filter.h"
#include "rtl/stream.h"

class TPngEncoder {
 public:
  // Writes the file's start for a picture of `layout` (Width and Height from 1 to 2^31 - 1) to
  // `stream`, which is not owned and must outlive the encoder.
  TPngEncoder(TStream& stream, const TPngLayout& layout, const TPngCompression& compression);

  // The next row, top first: RowBytes of the layout, packed as the layout says. Not more than
  // Height rows.
  void WriteRow(const std::uint8_t* raw);

  // Ends the file once every row was written.
  void Finish();

 private:
  TStream& Stream_;
  int Height_;
  int Rows_ = 0;
  TPngRowFilter Filter_;
  TPngIdatWriter Idat_;
};
