// A pass over 24-bit rows whose result rows depend on the rows around them, such as the
// contrast-loss map, which compares each pixel with its neighbours below. Rows go in one at a
// time, in order; each result row is handed on as soon as the rows it depends on are in, a few
// rows later, in the same order. So a streamed road holds a few rows, never the picture.
#pragma once

#include <cstdint>
#include <functional>

class TRowFilter {
 public:
  // Receives each result row (3 bytes a pixel: blue, green, red), valid only during the call.
  using TSink = std::function<void(const std::uint8_t* row)>;

  virtual ~TRowFilter() = default;

  // The number of pixels of every row.
  virtual int Width() const = 0;

  // Takes the next row (read only during the call), and hands `sink` the result rows it
  // finishes. The filter gives the same result whichever end of the picture the rows start at.
  virtual void Put(const std::uint8_t* row, const TSink& sink) = 0;

  // There are no more rows: hands `sink` the result rows still held.
  virtual void Finish(const TSink& sink) = 0;
};
