#include "dialog_driver.h"

#include <dlgs.h>

#include "platform/text.h"

namespace {

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

TDialogDriver::TDialogDriver(std::vector<TStep> steps)
    : Thread_(::GetCurrentThreadId()), Steps_(std::move(steps)), Watcher_([this] { Watch(); }) {}

TDialogDriver::~TDialogDriver() {
  Stop_ = true;
  Watcher_.join();
}

std::vector<TDialogSeen> TDialogDriver::Handled() const {
  std::lock_guard lock(Mutex_);
  return Handled_;
}

std::vector<TDialogSeen> TDialogDriver::Unexpected() const {
  std::lock_guard lock(Mutex_);
  return Unexpected_;
}

void TDialogDriver::Watch() {
  std::size_t next = 0;
  HWND last = nullptr;
  while (!Stop_) {
    std::pair<HWND, HWND> search{last, nullptr};
    ::EnumThreadWindows(Thread_, &VisitThreadWindow, reinterpret_cast<LPARAM>(&search));
    HWND dialog = search.second;
    if (dialog == nullptr) {
      ::Sleep(20);
      continue;
    }
    ::Sleep(150);  // let the dialog finish setting itself up before it is driven
    // Recorded before it is acted on, so that the record is complete when the dialog returns.
    const bool expected = next < Steps_.size();
    {
      std::lock_guard lock(Mutex_);
      (expected ? Handled_ : Unexpected_).push_back({WindowText(dialog), MessageText(dialog)});
    }
    expected ? Steps_[next++](dialog) : Press(dialog, IDCANCEL);
    // Wait for it to go, so that the same box is never driven twice.
    for (int i = 0; i < 500 && ::IsWindow(dialog) && ::IsWindowVisible(dialog) && !Stop_; ++i) {
      ::Sleep(20);
    }
    last = ::IsWindow(dialog) ? dialog : nullptr;
  }
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
