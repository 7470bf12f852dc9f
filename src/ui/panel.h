// TPanel: a container with a raised edge and its caption in the middle.
#pragma once

#include "ui/win_control.h"

class TPanel : public TWinControl {
 public:
  TS_CLASS_NAME(TPanel)
  static const TPublishedClass& Published();

  explicit TPanel(TComponent* owner) : TWinControl(owner) {}

  // Inside the raised edge.
  RECT AlignRect() const override;
  LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};
