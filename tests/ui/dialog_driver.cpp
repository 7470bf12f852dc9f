#include "dialog_driver.h"

#include <dlgs.h>

#include "platform/text.h"

namespace {

TDialogDriver* Active = nullptr;

bool HasClass(HWND window, const wchar_t* name) {
  wchar_t className[16] = {};
  ::GetClassNameW(window, className, 16);
  return _wcsicmp(className, name) == 0;
}

// Finds a visible dialog box other than the one given in `data` (a pair: skip, found).
BOOL CALLBACK VisitThreadWindow(HWND window, LPARAM data) {
  auto& [skip, found] = *reinterpret_cast<std::pair<HWND, HWND>*>(data);
  if (window == skip || !HasClass(window, L"#32770") || !::IsWindowVisible(window)) return TRUE;
  found = window;
  return FALSE;
}

// The message of a message box: the text of its static controls.
std::string MessageText(HWND dialog) {
  std::string text;
  for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    if (HasClass(child, L"Static")) text += WindowText(child);
  }
  return text;
}

void Press(HWND dialog, int id) {
  ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}

// The file-name box of a file dialog: a combo box in the modern dialog, an edit in the old one.
HWND FileNameBox(HWND dialog) {
  HWND box = ::GetDlgItem(dialog, cmb13);
  return box != nullptr ? box : ::GetDlgItem(dialog, edt1);
}

}  // namespace

std::string WindowText(HWND window) {
  wchar_t text[1024] = {};
  ::SendMessageW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text));
  return platform::Narrow(text);
}

TDialogDriver::TDialogDriver(std::vector<TStep> steps) : Steps_(std::move(steps)) {
  Active = this;
  Timer_ = ::SetTimer(nullptr, 0, 100, &Tick);
}

TDialogDriver::~TDialogDriver() {
  ::KillTimer(nullptr, Timer_);
  Active = nullptr;
}

void CALLBACK TDialogDriver::Tick(HWND, UINT, UINT_PTR, DWORD) {
  TDialogDriver& driver = *Active;
  if (driver.Done_ != nullptr && !(::IsWindow(driver.Done_) && ::IsWindowVisible(driver.Done_))) {
    driver.Done_ = nullptr;
  }
  std::pair<HWND, HWND> search{driver.Done_, nullptr};
  ::EnumThreadWindows(::GetCurrentThreadId(), &VisitThreadWindow, reinterpret_cast<LPARAM>(&search));
  const HWND dialog = search.second;
  if (dialog == nullptr || dialog != driver.Appeared_) {
    driver.Appeared_ = dialog;
    return;
  }
  driver.Done_ = dialog;
  driver.Appeared_ = nullptr;
  const bool expected = driver.Next_ < driver.Steps_.size();
  (expected ? driver.Handled_ : driver.Unexpected_).push_back({WindowText(dialog), MessageText(dialog)});
  expected ? driver.Steps_[driver.Next_++](dialog) : Press(dialog, IDCANCEL);
}

TDialogDriver::TStep TDialogDriver::ChooseFile(std::string path) {
  return [path](HWND dialog) {
    ::SendMessageW(FileNameBox(dialog), WM_SETTEXT, 0,
                   reinterpret_cast<LPARAM>(platform::Widen(path).c_str()));
    Press(dialog, IDOK);
  };
}

TDialogDriver::TStep TDialogDriver::PressButton(int button) {
  return [button](HWND dialog) { Press(dialog, button); };
}

TDialogDriver::TStep TDialogDriver::ReadFileNameAndCancel(std::string* name) {
  return [name](HWND dialog) {
    *name = WindowText(FileNameBox(dialog));
    Press(dialog, IDCANCEL);
  };
}
