#include "ui/win_control.h"

#include <algorithm>
#include <set>

#include "platform/text.h"
#include "rtl/exception.h"
#include "ui/font.h"

namespace {

// Marks the windows this library made: the property holds the object behind the window.
constexpr wchar_t ControlProperty[] = L"TintsightControl";

// Child windows need an identifier for their notifications; 1 and 2 stay free because the
// system sends them for Enter and Escape.
int NextChildId() {
  static int next = 100;
  return next++;
}

void RegisterWindowClass(const std::wstring& name, WNDPROC procedure, HBRUSH background) {
  static std::set<std::wstring> registered;
  if (registered.count(name) != 0) return;
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.style = CS_DBLCLKS;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = ::GetModuleHandleW(nullptr);
  windowClass.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  windowClass.hbrBackground = background;
  windowClass.lpszClassName = name.c_str();
  if (::RegisterClassExW(&windowClass) == 0) RaiseWin32Error(::GetLastError());
  registered.insert(name);
}

}  // namespace

const TPublishedClass& TWinControl::Published() {
  static const TPublishedClass entry{
      TComponentClass::Of<TWinControl>(),
      &TControl::Published(),
      {Bind<TWinControl>("TabStop", [](TWinControl& c, const TPropertyValue& v) {
        c.SetTabStop(PropertyBool(v, "TabStop"));
      })},
      nullptr};
  return entry;
}

TWinControl::~TWinControl() {
  DestroyHandle();
  for (TControl* control : Controls_) control->Parent_ = nullptr;
}

TWinControl* TWinControl::FromHandle(HWND window) {
  if (window == nullptr) return nullptr;
  return static_cast<TWinControl*>(::GetPropW(window, ControlProperty));
}

HWND TWinControl::Handle() {
  if (Handle_ != nullptr) return Handle_;
  // The parent's window comes first; making it makes the windows of its controls, this one's
  // among them.
  if (Parent() != nullptr) {
    Parent()->Handle();
    if (Handle_ != nullptr) return Handle_;
  }
  TCreateParams params;
  CreateParams(params);
  if (!params.SystemClass) RegisterWindowClass(params.WindowClass, &WindowProcedure, params.Background);
  const std::wstring caption = platform::Widen(Caption());
  const auto id = (params.Style & WS_CHILD) != 0
                      ? reinterpret_cast<HMENU>(static_cast<INT_PTR>(NextChildId()))
                      : nullptr;
  HWND window = ::CreateWindowExW(params.ExStyle, params.WindowClass.c_str(), caption.c_str(),
                                  params.Style, params.X, params.Y, params.Width, params.Height,
                                  params.Parent, id, ::GetModuleHandleW(nullptr), this);
  if (window == nullptr) RaiseWin32Error(::GetLastError());
  if (params.SystemClass) {
    Attach(window);
    SystemProcedure_ = reinterpret_cast<WNDPROC>(::SetWindowLongPtrW(
        window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowProcedure)));
  }
  HandleCreated();
  return Handle_;
}

void TWinControl::CreateParams(TCreateParams& params) {
  params.WindowClass = platform::Widen(ClassName());
  params.Style = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
  if (Visible()) params.Style |= WS_VISIBLE;
  if (!Enabled()) params.Style |= WS_DISABLED;
  params.X = Left();
  params.Y = Top();
  params.Width = Width();
  params.Height = Height();
  params.Parent = Parent() != nullptr ? Parent()->Handle() : nullptr;
  params.Background = ::GetSysColorBrush(COLOR_BTNFACE);
}

void TWinControl::HandleCreated() {
  if (const TFont* font = Font()) {
    ::SendMessageW(Handle_, WM_SETFONT, reinterpret_cast<WPARAM>(font->Handle()), FALSE);
  }
  for (TControl* control : Controls_) {
    if (auto* windowed = dynamic_cast<TWinControl*>(control)) windowed->Handle();
  }
}

void TWinControl::Attach(HWND window) {
  Handle_ = window;
  ::SetPropW(window, ControlProperty, this);
}

void TWinControl::Detach() {
  ::RemovePropW(Handle_, ControlProperty);
  if (SystemProcedure_ != nullptr) {
    ::SetWindowLongPtrW(Handle_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SystemProcedure_));
    SystemProcedure_ = nullptr;
  }
  Handle_ = nullptr;
}

void TWinControl::DestroyHandle() {
  if (Handle_ == nullptr) return;
  ::DestroyWindow(Handle_);  // WM_NCDESTROY detaches this object and every control inside
  if (Handle_ != nullptr) Detach();
}

LRESULT CALLBACK TWinControl::WindowProcedure(HWND window, UINT message, WPARAM wParam,
                                              LPARAM lParam) {
  TWinControl* self = FromHandle(window);
  if (self == nullptr && message == WM_NCCREATE) {
    self = static_cast<TWinControl*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    if (self != nullptr) self->Attach(window);
  }
  if (self == nullptr) return ::DefWindowProcW(window, message, wParam, lParam);
  LRESULT result = 0;
  // No exception may cross back into the system: the message ends here, shown as the
  // application shows every failure.
  try {
    result = self->WndProc(message, wParam, lParam);
  } catch (...) {
    HandleWindowException();
  }
  if (message == WM_NCDESTROY && self->Handle_ == window) self->Detach();
  return result;
}

LRESULT TWinControl::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND && lParam != 0) {
    TWinControl* child = FromHandle(reinterpret_cast<HWND>(lParam));
    if (child != nullptr && child != this) {
      child->CommandNotify(HIWORD(wParam));
      return 0;
    }
  }
  return DefaultHandler(message, wParam, lParam);
}

LRESULT TWinControl::DefaultHandler(UINT message, WPARAM wParam, LPARAM lParam) {
  if (SystemProcedure_ != nullptr) {
    return ::CallWindowProcW(SystemProcedure_, Handle_, message, wParam, lParam);
  }
  return ::DefWindowProcW(Handle_, message, wParam, lParam);
}

void TWinControl::CommandNotify(WORD) {}

bool TWinControl::DialogKey(WPARAM) { return false; }

void TWinControl::TakeBounds(int left, int top, int width, int height) {
  TakingBounds_ = true;
  SetBounds(left, top, width, height);
  TakingBounds_ = false;
}

bool TWinControl::CanFocus() const {
  if (Handle_ == nullptr || !Showing()) return false;
  for (const TControl* control = this; control != nullptr; control = control->Parent()) {
    if (!control->Enabled()) return false;
  }
  return true;
}

void TWinControl::AppendTabStops(std::vector<HWND>& stops) {
  if (!CanFocus()) return;
  if (TabStop_) stops.push_back(Handle_);
  std::vector<TWinControl*> ordered;
  for (TControl* control : Controls_) {
    if (auto* windowed = dynamic_cast<TWinControl*>(control)) ordered.push_back(windowed);
  }
  std::stable_sort(ordered.begin(), ordered.end(), [](const TWinControl* a, const TWinControl* b) {
    return a->TabOrder() < b->TabOrder();
  });
  for (TWinControl* control : ordered) control->AppendTabStops(stops);
}

void TWinControl::Realign() {
  for (TControl* control : Controls_) {
    if (control->Align() == TAlign::alClient) {
      const RECT area = AlignRect();
      control->SetBounds(area.left, area.top, area.right - area.left, area.bottom - area.top);
    }
  }
}

void TWinControl::InsertControl(TControl& control) {
  Controls_.push_back(&control);
  if (auto* windowed = dynamic_cast<TWinControl*>(&control); windowed && Handle_ != nullptr) {
    windowed->Handle();
  }
}

void TWinControl::RemoveControl(TControl& control) {
  Controls_.erase(std::remove(Controls_.begin(), Controls_.end(), &control), Controls_.end());
}

void TWinControl::BoundsChanged() {
  if (Handle_ != nullptr && !TakingBounds_) {
    ::SetWindowPos(Handle_, nullptr, Left(), Top(), Width(), Height(),
                   SWP_NOZORDER | SWP_NOACTIVATE);
  }
  Realign();
}

void TWinControl::CaptionChanged() {
  if (Handle_ != nullptr) ::SetWindowTextW(Handle_, platform::Widen(Caption()).c_str());
}

void TWinControl::VisibleChanged() {
  if (Handle_ != nullptr) ::ShowWindow(Handle_, Visible() ? SW_SHOW : SW_HIDE);
}

void TWinControl::EnabledChanged() {
  if (Handle_ != nullptr) ::EnableWindow(Handle_, Enabled() ? TRUE : FALSE);
}
