// TPaintContext: one WM_PAINT's drawing context, owned. BeginPaint in the constructor, EndPaint
// in the destructor, so that the context is given back and the area validated even when
// drawing raises (else the system asks for the same paint again and again).
#pragma once

#include <windows.h>

class TPaintContext {
 public:
  explicit TPaintContext(HWND window) : Window_(window), Dc_(::BeginPaint(window, &Paint_)) {}
  TPaintContext(const TPaintContext&) = delete;
  TPaintContext& operator=(const TPaintContext&) = delete;
  ~TPaintContext() { ::EndPaint(Window_, &Paint_); }

  // The context to draw with; owned by this object.
  HDC Dc() const { return Dc_; }

 private:
  HWND Window_;
  PAINTSTRUCT Paint_{};
  HDC Dc_;
};
