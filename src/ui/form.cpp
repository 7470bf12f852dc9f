#include "ui/form.h"

#include <algorithm>

#include "rtl/exception.h"
#include "ui/application.h"
#include "ui/ui_messages.h"

namespace {

constexpr std::pair<std::string_view, TBorderIcon> BorderIconIdents[] = {
    {"biSystemMenu", TBorderIcon::biSystemMenu},
    {"biMinimize", TBorderIcon::biMinimize},
    {"biMaximize", TBorderIcon::biMaximize}};

constexpr std::pair<std::string_view, TBorderStyle> BorderStyleIdents[] = {
    {"bsNone", TBorderStyle::bsNone},
    {"bsSingle", TBorderStyle::bsSingle},
    {"bsSizeable", TBorderStyle::bsSizeable}};

std::vector<TPropertyBinding> FormBindings() {
  std::vector<TPropertyBinding> bindings{
      Bind<TForm>("Color",
                  [](TForm& f, const TPropertyValue& v) {
                    f.SetColor(PropertyEnum(v, "Color", ColorIdents));
                  }),
      Bind<TForm>("BorderIcons",
                  [](TForm& f, const TPropertyValue& v) {
                    std::vector<TBorderIcon> icons;
                    for (const std::string& name : PropertySet(v, "BorderIcons")) {
                      icons.push_back(
                          PropertyEnum(TPropertyValue(TIdent{name}), "BorderIcons", BorderIconIdents));
                    }
                    f.SetBorderIcons(std::move(icons));
                  }),
      Bind<TForm>("BorderStyle",
                  [](TForm& f, const TPropertyValue& v) {
                    f.SetBorderStyle(PropertyEnum(v, "BorderStyle", BorderStyleIdents));
                  }),
      // The display the layout was made for; kept, not used to scale it.
      Bind<TForm>("PixelsPerInch",
                  [](TForm& f, const TPropertyValue& v) {
                    f.SetDesignMetrics(static_cast<int>(PropertyInt(v, "PixelsPerInch")),
                                       f.TextHeight());
                  }),
      Bind<TForm>("TextHeight", [](TForm& f, const TPropertyValue& v) {
        f.SetDesignMetrics(f.PixelsPerInch(), static_cast<int>(PropertyInt(v, "TextHeight")));
      })};
  AppendFontBindings<TForm>(bindings, [](TForm& f) -> TFont& { return f.Font(); });
  return bindings;
}

}  // namespace

const TPublishedClass& TForm::Published() {
  static const TPublishedClass entry{TComponentClass::Of<TForm>(), &TWinControl::Published(),
                                     FormBindings(), nullptr};
  return entry;
}

TForm::TForm(TComponent* owner) : TWinControl(owner) { SetVisible(false); }

TForm::~TForm() {
  // The window goes while this object is still a form, so that its last messages find one.
  if (HandleAllocated()) ::DestroyWindow(Handle());
}

void TForm::SetColor(TColor color) {
  Color_ = color;
  Brush_.Reset();
  if (HandleAllocated()) ::InvalidateRect(Handle(), nullptr, TRUE);
}

bool TForm::HasBorderIcon(TBorderIcon icon) const {
  return std::find(BorderIcons_.begin(), BorderIcons_.end(), icon) != BorderIcons_.end();
}

void TForm::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.Style = WS_CLIPCHILDREN;
  switch (BorderStyle_) {
    case TBorderStyle::bsNone:
      params.Style |= WS_POPUP;
      break;
    case TBorderStyle::bsSingle:
      params.Style |= WS_CAPTION | WS_BORDER;
      break;
    case TBorderStyle::bsSizeable:
      params.Style |= WS_CAPTION | WS_THICKFRAME;
      break;
  }
  if (HasBorderIcon(TBorderIcon::biSystemMenu)) {
    params.Style |= WS_SYSMENU;
    if (HasBorderIcon(TBorderIcon::biMinimize)) params.Style |= WS_MINIMIZEBOX;
    if (HasBorderIcon(TBorderIcon::biMaximize)) params.Style |= WS_MAXIMIZEBOX;
  }
  params.Parent = nullptr;
  params.Background = nullptr;  // WM_ERASEBKGND paints the form's colour
}

void TForm::Show(int showCommand) {
  SetVisible(true);
  ::ShowWindow(Handle(), showCommand);
  ::UpdateWindow(Handle());
}

void TForm::Close() {
  TApplication* application = TApplication::Current();
  if (application != nullptr && application->MainForm() == this) {
    application->Terminate();
  } else {
    SetVisible(false);
  }
}

std::vector<HWND> TForm::TabStops() {
  std::vector<HWND> stops;
  AppendTabStops(stops);
  return stops;
}

void TForm::SelectNext(bool forward) {
  const std::vector<HWND> stops = TabStops();
  if (stops.empty()) return;
  const HWND focus = ::GetFocus();
  auto current = std::find(stops.begin(), stops.end(), focus);
  std::size_t next = 0;
  if (current == stops.end()) {
    next = forward ? 0 : stops.size() - 1;
  } else {
    const auto index = static_cast<std::size_t>(current - stops.begin());
    next = forward ? (index + 1) % stops.size() : (index + stops.size() - 1) % stops.size();
  }
  ::SetFocus(stops[next]);
}

bool TForm::PreProcessKey(const MSG& message) {
  if (message.message != WM_KEYDOWN) return false;
  for (HWND window = message.hwnd; window != nullptr; window = ::GetParent(window)) {
    if (TWinControl* control = FromHandle(window)) {
      if (control->DialogKey(message.wParam)) return true;
    }
    if (window == Handle()) break;
  }
  return false;
}

bool TForm::DialogKey(WPARAM key) {
  if (key != VK_TAB) return false;
  if ((::GetKeyState(VK_CONTROL) & 0x8000) != 0 || (::GetKeyState(VK_MENU) & 0x8000) != 0) {
    return false;
  }
  SelectNext((::GetKeyState(VK_SHIFT) & 0x8000) == 0);
  return true;
}

TNotifyEvent TForm::MethodAddress(std::string_view) { return {}; }

void RaiseComponentNotFound(std::string_view name) {
  throw EReadError(ui_messages::SComponentNotFound, {name});
}

void TForm::ReadFormDescription(const TPublishedClass& formClass,
                                const TObjectDescription& description) {
  ReadDescription(*this, formClass, description,
                  [this](std::string_view name) { return MethodAddress(name); });
}

void TForm::FocusFirstOrRemembered() {
  const HWND form = Handle();
  if (ActiveControl_ != nullptr && ::IsWindow(ActiveControl_) && ::IsChild(form, ActiveControl_) &&
      ::IsWindowVisible(ActiveControl_) && ::IsWindowEnabled(ActiveControl_)) {
    ::SetFocus(ActiveControl_);
    return;
  }
  const std::vector<HWND> stops = TabStops();
  ActiveControl_ = stops.empty() ? nullptr : stops.front();
  ::SetFocus(ActiveControl_ != nullptr ? ActiveControl_ : form);
}

LRESULT TForm::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE:
      Close();
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) {
        const HWND focus = ::GetFocus();
        if (focus != nullptr && ::IsChild(Handle(), focus)) ActiveControl_ = focus;
      } else if (HIWORD(wParam) == 0) {
        FocusFirstOrRemembered();
      }
      return 0;
    case WM_SETFOCUS:
      // The window itself takes the focus only when nothing inside can (after a dialog closed,
      // the system gives it back to the window): pass it on.
      FocusFirstOrRemembered();
      return 0;
    case WM_ERASEBKGND: {
      if (!Brush_) {
        const auto bits = static_cast<std::uint32_t>(Color_);
        if ((bits & 0x80000000u) == 0) Brush_.Reset(::CreateSolidBrush(bits));
      }
      const HBRUSH brush = Brush_ ? Brush_.Get()
                                  : ::GetSysColorBrush(static_cast<int>(
                                        static_cast<std::uint32_t>(Color_) & 0xFFu));
      RECT client{};
      ::GetClientRect(Handle(), &client);
      ::FillRect(reinterpret_cast<HDC>(wParam), &client, brush);
      return 1;
    }
    case WM_WINDOWPOSCHANGED: {
      const auto* position = reinterpret_cast<const WINDOWPOS*>(lParam);
      if ((position->flags & SWP_NOMOVE) == 0 || (position->flags & SWP_NOSIZE) == 0) {
        RECT outer{};
        ::GetWindowRect(Handle(), &outer);
        TakeBounds(outer.left, outer.top, outer.right - outer.left, outer.bottom - outer.top);
      }
      break;
    }
    default:
      break;
  }
  return TWinControl::WndProc(message, wParam, lParam);
}
