// The BMP file format: the part of a file in front of the pixel bytes, read into a normalised
// description, and a whole file written from a description and its pixel bytes.
//
// A file is: the 14-byte file header; an info header (40 bytes, or longer with the masks
// inside) or the 12-byte core header; three 32-bit masks after a 40-byte header of a
// BI_BITFIELDS picture; the colour table (4-byte entries, 3-byte after a core header); the
// pixel rows. All numbers are little-endian. The reader takes the pixel bytes from the file
// header's offset where that points at or past the end of the colour table and leaves room for
// the rows (a gap before them is skipped); otherwise right after the colour table.
//
// Every size that comes from the file is checked before it is used, so that no input makes
// the reader allocate without bound or read or write outside a buffer.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "image/raster/dib.h"

class TStream;

inline constexpr std::uint16_t kBmpFileType = 0x4D42;  // "BM"
inline constexpr std::int64_t kBmpFileHeaderSize = 14;
inline constexpr std::uint32_t kBmpCoreHeaderSize = 12;
inline constexpr std::uint32_t kBmpInfoHeaderSize = 40;
inline constexpr std::int64_t kBmpMasksSize = 12;
// The largest colour table a file may carry: one entry for each value of an 8-bit index.
inline constexpr std::uint32_t kBmpMaxColours = 256;

// What lies in front of the pixel bytes of a BMP, normalised.
struct TBmpPrologue {
  // The first 40 bytes of the info header; a core header is widened into it (the other fields
  // 0). biClrUsed is the number of colour-table entries the file carries.
  TBitmapInfoHeader Header{};
  // Red, green and blue masks of a BI_BITFIELDS picture, from behind a 40-byte header or from
  // inside a longer one; 0 otherwise.
  std::array<std::uint32_t, 3> Masks{};
  // The colour table, widened to 4-byte entries (the fourth byte 0 for a core table).
  std::vector<TRGBQuad> Colours;
  bool FromCoreHeader = false;
  // How many pixel bytes follow and are to be read: the image size (row length x |height| when
  // the header says 0), or fewer when the stream ends sooner.
  std::int64_t PixelBytes = 0;
};

// Reads a BMP's file header, header, masks and colour table from `stream`, which holds
// `available` bytes from its position; the stream is left at the first pixel byte (past a gap
// that the offset field sets, as above), so every road that reads the rows from there reads the
// same ones.
// Fails with
//  - EReadError "ストリームからの読み込みエラー" when the stream ends inside the file header, the
//    masks or the colour table;
//  - EInvalidGraphic "ビットマップイメージが不正です" for another file type, a stream ending inside
//    the header, a header size below 40 other than 12, planes other than 1, a colour table of
//    more than 256 entries, a run-length encoding the picture cannot have (RLE8 needs 8 bits,
//    RLE4 4 bits, both bottom-up), or a picture whose pixel memory would exceed what one bitmap
//    may hold (for run-length pictures: their 32-bit screen form).
// An image size larger than the pixel memory of an uncompressed picture is no reason to refuse
// it (real writers count trailing padding): PixelBytes then counts only what fits.
TBmpPrologue ReadBmpPrologue(TStream& stream, std::int64_t available);

// What is written as one BMP file.
struct TBmpImage {
  // The info header as the picture's description holds it, written as it stands (40 bytes)
  // except for the image size, which is always the size of the pixel memory: row length x
  // |height|. Only uncompressed pictures are written.
  TBitmapInfoHeader Header{};
  // Written after the header when the bit count exceeds 8 and the compression's two low bits
  // are not both 0.
  std::array<std::uint32_t, 3> Masks{};
  std::span<const TRGBQuad> Colours;
  // Write the core layout: a 12-byte header and a 3-byte entry for each of the 2^bits colours
  // (missing entries written as 0). Pictures that the core layout cannot express (a
  // compression, a top-down order, sizes over 65535) are written in the info layout instead.
  bool CoreLayout = false;
  // The pixel memory: row length x |height| bytes, rows in memory order, padding included.
  const std::uint8_t* Pixels = nullptr;
};

// Writes the file header, header, masks and colour table of `image` at the stream's position
// (the pixels are not read) and returns the number of pixel bytes that must follow: row length
// x |height|. A short write fails as WriteBmp's.
std::int64_t WriteBmpHeaders(TStream& stream, const TBmpImage& image);

// Writes `image` at the stream's position. A short write fails with EWriteError
// "ストリームへの書き込みエラー"; what was written stays written.
void WriteBmp(TStream& stream, const TBmpImage& image);

// The number of bytes WriteBmp writes for `image`.
std::int64_t BmpFileSize(const TBmpImage& image);

// The one decision of what a picture is stored with, whichever road its rows take: the header
// as `description` holds it, the colour count of `table` where it is not empty, the default
// masks of the depth where a bit-field picture has none, `table` (not copied: it must outlive
// the result), and the core layout for a picture read from a core header. Pixels stay null.
TBmpImage StoredBmpImage(const TDIBSection& description, std::span<const TRGBQuad> table,
                         bool fromCoreHeader);
