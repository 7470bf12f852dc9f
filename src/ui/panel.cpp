#include "ui/panel.h"

#include "platform/text.h"
#include "ui/font.h"
#include "ui/paint_context.h"

namespace {
constexpr int EdgeWidth = 1;
}

const TPublishedClass& TPanel::Published() {
  static const TPublishedClass entry{TComponentClass::Of<TPanel>(), &TWinControl::Published(), {},
                                     nullptr};
  return entry;
}

RECT TPanel::AlignRect() const {
  return RECT{EdgeWidth, EdgeWidth, Width() - EdgeWidth, Height() - EdgeWidth};
}

LRESULT TPanel::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_PAINT) return TWinControl::WndProc(message, wParam, lParam);
  const TPaintContext paint(Handle());
  const HDC dc = paint.Dc();
  RECT client{};
  ::GetClientRect(Handle(), &client);
  ::DrawEdge(dc, &client, BDR_RAISEDINNER, BF_RECT);
  const HGDIOBJ oldFont = Font() ? ::SelectObject(dc, Font()->Handle()) : nullptr;
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, ::GetSysColor(COLOR_BTNTEXT));
  const std::wstring caption = platform::Widen(Caption());
  ::DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &client,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  if (oldFont != nullptr) ::SelectObject(dc, oldFont);
  return 0;
}
