#include "ui/radio_group.h"

#include <algorithm>

#include "platform/text.h"
#include "rtl/exception.h"
#include "ui/font.h"
#include "ui/paint_context.h"

const TPublishedClass& TRadioGroup::Published() {
  static const TPublishedClass entry{
      TComponentClass::Of<TRadioGroup>(),
      &TWinControl::Published(),
      {Bind<TRadioGroup>("Items.Strings",
                         [](TRadioGroup& g, const TPropertyValue& v) {
                           g.SetItems(PropertyLines(v, "Items.Strings"));
                         }),
       Bind<TRadioGroup>("ItemIndex",
                         [](TRadioGroup& g, const TPropertyValue& v) {
                           g.SetItemIndex(static_cast<int>(PropertyInt(v, "ItemIndex")));
                         }),
       Bind<TRadioGroup>("OnClick",
                         [](TRadioGroup& g, const TPropertyValue& v, const TReadContext& context) {
                           g.SetOnClick(context.FindMethod(PropertyIdent(v, "OnClick")));
                         })},
      nullptr};
  return entry;
}

TRadioGroup::TRadioGroup(TComponent* owner) : TWinControl(owner) { SetTabStop(true); }

void TRadioGroup::SetItems(std::vector<std::string> items) {
  Items_ = std::move(items);
  if (ItemIndex_ >= static_cast<int>(Items_.size()) &&
      !HasState(TComponentStateFlag::csLoading)) {
    ItemIndex_ = -1;
  }
  if (HandleAllocated()) MakeButtons();
}

void TRadioGroup::SetItemIndex(int index) {
  // A description may give the index before the items: it is checked once loading ends.
  if (HasState(TComponentStateFlag::csLoading)) {
    ItemIndex_ = index;
    return;
  }
  ItemIndex_ = (index >= 0 && index < static_cast<int>(Items_.size())) ? index : -1;
  ShowSelection();
}

void TRadioGroup::Loaded() {
  TWinControl::Loaded();
  SetItemIndex(ItemIndex_);
}

HWND TRadioGroup::ItemHandle(int index) const {
  if (index < 0 || index >= static_cast<int>(Buttons_.size())) return nullptr;
  return Buttons_[static_cast<std::size_t>(index)];
}

int TRadioGroup::IndexOf(HWND button) const {
  const auto found = std::find(Buttons_.begin(), Buttons_.end(), button);
  return found == Buttons_.end() ? -1 : static_cast<int>(found - Buttons_.begin());
}

void TRadioGroup::AppendTabStops(std::vector<HWND>& stops) {
  // The group is one stop: its selected item. With nothing selected, Tab passes it by.
  if (!CanFocus() || !TabStop()) return;
  if (HWND selected = ItemHandle(ItemIndex_)) stops.push_back(selected);
}

bool TRadioGroup::DialogKey(WPARAM key) {
  int step = 0;
  if (key == VK_UP || key == VK_LEFT) step = -1;
  if (key == VK_DOWN || key == VK_RIGHT) step = 1;
  const int count = static_cast<int>(Buttons_.size());
  const int focused = IndexOf(::GetFocus());
  if (step == 0 || count == 0 || focused < 0) return false;
  const int next = (focused + step + count) % count;
  ::SetFocus(Buttons_[static_cast<std::size_t>(next)]);
  if (next != ItemIndex_) {
    SetItemIndex(next);
    if (OnClick_) OnClick_(this);
  }
  return true;
}

LRESULT TRadioGroup::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND: {
      const int index = IndexOf(reinterpret_cast<HWND>(lParam));
      if (index >= 0) {
        if (HIWORD(wParam) == BN_CLICKED && index != ItemIndex_) {
          SetItemIndex(index);
          if (OnClick_) OnClick_(this);
        }
        return 0;
      }
      break;
    }
    case WM_SETFOCUS:
      // The group itself holds no focus: its selected item (or its first) does.
      if (HWND item = ItemHandle(ItemIndex_ >= 0 ? ItemIndex_ : 0)) ::SetFocus(item);
      return 0;
    case WM_PAINT: {
      const TPaintContext paint(Handle());
      Paint(paint.Dc());
      return 0;
    }
    case WM_NCDESTROY:
      Buttons_.clear();
      break;
    default:
      break;
  }
  return TWinControl::WndProc(message, wParam, lParam);
}

void TRadioGroup::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.ExStyle |= WS_EX_CONTROLPARENT;
}

void TRadioGroup::HandleCreated() {
  TWinControl::HandleCreated();
  MakeButtons();
}

int TRadioGroup::CaptionHeight() const {
  int height = 12;
  if (const HDC dc = ::GetDC(nullptr)) {
    const HGDIOBJ oldFont = Font() ? ::SelectObject(dc, Font()->Handle()) : nullptr;
    TEXTMETRICW metrics{};
    if (::GetTextMetricsW(dc, &metrics)) height = metrics.tmHeight;
    if (oldFont != nullptr) ::SelectObject(dc, oldFont);
    ::ReleaseDC(nullptr, dc);
  }
  return height;
}

void TRadioGroup::Paint(HDC dc) {
  // An etched frame from the middle of the caption line down, the caption on the frame's top
  // edge over the face colour.
  const int captionHeight = CaptionHeight();
  RECT frame{0, captionHeight / 2, Width(), Height()};
  ::DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
  const std::wstring caption = platform::Widen(Caption());
  if (caption.empty()) return;
  const HGDIOBJ oldFont = Font() ? ::SelectObject(dc, Font()->Handle()) : nullptr;
  ::SetBkMode(dc, OPAQUE);
  ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
  ::SetTextColor(dc, ::GetSysColor(COLOR_BTNTEXT));
  RECT text{8, 0, Width() - 8, captionHeight};
  ::DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &text,
              DT_SINGLELINE | DT_NOPREFIX | DT_CALCRECT);
  ::DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &text,
              DT_SINGLELINE | DT_NOPREFIX);
  if (oldFont != nullptr) ::SelectObject(dc, oldFont);
}

void TRadioGroup::MakeButtons() {
  for (HWND button : Buttons_) ::DestroyWindow(button);
  Buttons_.clear();
  for (std::size_t i = 0; i < Items_.size(); ++i) {
    HWND button = ::CreateWindowExW(
        0, L"BUTTON", platform::Widen(Items_[i]).c_str(),
        WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | BS_RADIOBUTTON, 0, 0, 0, 0, Handle(),
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(i + 1)), ::GetModuleHandleW(nullptr), nullptr);
    if (button == nullptr) RaiseWin32Error(::GetLastError());
    if (Font()) ::SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(Font()->Handle()), FALSE);
    Buttons_.push_back(button);
  }
  ArrangeButtons();
  ShowSelection();
}

void TRadioGroup::ArrangeButtons() {
  if (!HandleAllocated() || Buttons_.empty()) return;
  // The items share the height below the caption line in equal rows, one column, as wide as
  // the frame leaves room for.
  const int count = static_cast<int>(Buttons_.size());
  const int top = CaptionHeight() + 1;
  const int rowHeight = std::max(1, (Height() - top - 4) / count);
  const int spare = (Height() - top - 4) - rowHeight * count;
  for (int i = 0; i < count; ++i) {
    ::SetWindowPos(Buttons_[static_cast<std::size_t>(i)], nullptr, 6,
                   top + spare / 2 + i * rowHeight, Width() - 8, rowHeight,
                   SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void TRadioGroup::ShowSelection() {
  for (std::size_t i = 0; i < Buttons_.size(); ++i) {
    const bool selected = static_cast<int>(i) == ItemIndex_;
    ::SendMessageW(Buttons_[i], BM_SETCHECK, selected ? BST_CHECKED : BST_UNCHECKED, 0);
  }
}

void TRadioGroup::BoundsChanged() {
  TWinControl::BoundsChanged();
  ArrangeButtons();
  if (HandleAllocated()) ::InvalidateRect(Handle(), nullptr, TRUE);
}

void TRadioGroup::CaptionChanged() {
  if (HandleAllocated()) ::InvalidateRect(Handle(), nullptr, TRUE);
}
