// TImage: an image box. It shows the picture its holder (Picture) holds, stretched to fill the
// box when Stretch is on, else at its own size in the top-left corner; it repaints whenever the
// held picture changes. Only bitmaps (TBitmap and derived) are drawn.
#pragma once

#include "ui/picture.h"
#include "ui/win_control.h"

class TImage : public TWinControl {
 public:
  TS_CLASS_NAME(TImage)
  static const TPublishedClass& Published();

  explicit TImage(TComponent* owner);

  TPicture& Picture() { return Picture_; }
  const TPicture& Picture() const { return Picture_; }
  bool Stretch() const { return Stretch_; }
  void SetStretch(bool stretch);

  // Number of times the box painted its picture: a repaint draws the shared pixels again, and
  // this lets a caller see that it happened.
  int PaintCount() const { return PaintCount_; }

  LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void PictureChanged();
  void Paint(HDC dc);

  TPicture Picture_;
  bool Stretch_ = false;
  int PaintCount_ = 0;
};
