#include "dialog_driver.h"

#include <dlgs.h>

#include <string_view>

#include "platform/text.h"

namespace {

struct TDialogSearch {
  HWND Skip;
  HWND Found;
};

BOOL CALLBACK VisitThreadWindow(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<TDialogSearch*>(data);
  wchar_t className[16] = {};
  ::GetClassNameW(window, className, 16);
  if (window != search->Skip && std::wstring_view(className) == L"#32770" &&
      ::IsWindowVisible(window)) {
    search->Found = window;
    return FALSE;
  }
  return TRUE;
}

// A visible dialog box of `thread` other than `skip`; null when there is none.
HWND FindDialog(DWORD thread, HWND skip) {
  TDialogSearch search{skip, nullptr};
  ::EnumThreadWindows(thread, &VisitThreadWindow, reinterpret_cast<LPARAM>(&search));
  return search.Found;
}

// The message of a message box: the text of its static controls that carry any.
std::string MessageText(HWND dialog) {
  std::string text;
  for (HWND child = ::GetWindow(dialog, GW_CHILD); child != nullptr;
       child = ::GetWindow(child, GW_HWNDNEXT)) {
    wchar_t className[16] = {};
    ::GetClassNameW(child, className, 16);
    if (_wcsicmp(className, L"Static") == 0) text += WindowText(child);
  }
  return text;
}

void Press(HWND dialog, int id) {
  ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}

// The file-name box of a file dialog: a combo box in the modern dialog, an edit in the old one.
HWND FileNameBox(HWND dialog) {
  if (HWND box = ::GetDlgItem(dialog, cmb13)) return box;
  return ::GetDlgItem(dialog, edt1);
}

}  // namespace

std::string WindowText(HWND window) {
  wchar_t text[1024] = {};
  ::SendMessageW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text));
  return platform::Narrow(text);
}

TDialogDriver::TDialogDriver(std::vector<TStep> steps, DWORD thread)
    : Thread_(thread), Steps_(std::move(steps)), Watcher_([this] { Watch(); }) {}

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
    HWND dialog = FindDialog(Thread_, last);
    if (dialog == nullptr) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      continue;
    }
    // Let the dialog finish setting itself up before it is driven.
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    TDialogSeen seen{WindowText(dialog), MessageText(dialog)};
    if (next < Steps_.size()) {
      Steps_[next++](dialog);
      std::lock_guard lock(Mutex_);
      Handled_.push_back(seen);
    } else {
      Press(dialog, IDCANCEL);
      std::lock_guard lock(Mutex_);
      Unexpected_.push_back(seen);
    }
    // Wait for it to go, so that the same box is never driven twice.
    for (int i = 0; i < 500 && ::IsWindow(dialog) && ::IsWindowVisible(dialog) && !Stop_; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
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

TDialogDriver::TStep TDialogDriver::Cancel() {
  return [](HWND dialog) { Press(dialog, IDCANCEL); };
}

TDialogDriver::TStep TDialogDriver::PressOk() {
  return [](HWND dialog) { Press(dialog, IDOK); };
}

TDialogDriver::TStep TDialogDriver::ReadFileNameAndCancel(std::string* name) {
  return [name](HWND dialog) {
    *name = WindowText(FileNameBox(dialog));
    Press(dialog, IDCANCEL);
  };
}
