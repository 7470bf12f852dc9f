// Where a picture stops carrying information for a viewer: the boundaries that a viewer with
// normal colour vision sees plainly but that a transformed picture (a colour-vision model, an
// analysis condition) barely shows or not at all.
//
// A boundary is a pair of pixels one or three apart, across or down: one apart for sharp
// edges, three apart to reach across an edge that anti-aliasing has spread over one or two
// pixels. Its colour difference is measured with CIEDE2000 in the original and in the
// transformed picture. It is visible when the original's difference is at least Visible, and
// lost when it is visible and the transformed difference is below Lost.
//
// The map shows the original turned grey and faint, with each lost boundary drawn over its
// middle pixels in a dark magenta marker, the stronger the more difference was lost. The marker
// stays at least 20 ΔE00 from the background under every colour-vision model, so every viewer
// the tool simulates can read the map. The counts and the map are the same in every build.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "image/colour/row_filter.h"
#include "image/colour/row_operation.h"

class TBitmap;

// The ΔE00 thresholds. 10 is where a difference becomes plain at a glance; below 5 (about two
// just noticeable differences of 2.3) a difference has to be searched for, or is not seen.
struct TContrastThresholds {
  double Visible = 10;
  double Lost = 5;
};

struct TContrastCounts {
  std::uint64_t Visible = 0;  // boundaries a normal viewer sees plainly
  std::uint64_t Lost = 0;     // of those, the ones the transformed picture loses

  TContrastCounts& operator+=(const TContrastCounts& other) {
    Visible += other.Visible;
    Lost += other.Lost;
    return *this;
  }
};

// The map as a row filter: rows of the original go in, rows of the map come out two rows later.
// Holds four rows of colours, marks and what the viewer sees, whatever the picture's height.
class TContrastLossMap final : public TRowFilter {
 public:
  // `transform` turns an original row into what the viewer sees; it is called on a copy.
  // Without `draw`, only the counts are made and no row is handed on.
  TContrastLossMap(int width, TRowOperation transform, TContrastThresholds thresholds,
                   bool draw = true);
  ~TContrastLossMap() override;

  int Width() const override { return Width_; }
  void Put(const std::uint8_t* row, const TSink& sink) override;
  void Finish(const TSink& sink) override;

  // The counts of the rows put so far.
  const TContrastCounts& Counts() const { return Counts_; }

 private:
  struct TRows;
  void CompareRows(int first, int second, int distance);
  void Emit(int row, const TSink& sink);

  int Width_;
  TRowOperation Transform_;
  TContrastThresholds Thresholds_;
  bool Draw_;
  std::unique_ptr<TRows> Rows_;
  TContrastCounts Counts_;
  int Received_ = 0;  // rows put
  int Emitted_ = 0;   // rows handed on
};

// Replaces `picture` (24-bit layout) by its map, row by row in place through RowData, and
// returns the counts.
TContrastCounts ApplyContrastLossMap(TBitmap& picture, const TRowOperation& transform,
                                     TContrastThresholds thresholds);

// The counts alone; `picture` (24-bit layout) is only read.
TContrastCounts CountContrastLoss(TBitmap& picture, const TRowOperation& transform,
                                  TContrastThresholds thresholds);
