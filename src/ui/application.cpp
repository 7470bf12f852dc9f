#include "ui/application.h"

#include <new>

#include "image/clipboard.h"
#include "platform/text.h"
#include "ui/error_box.h"
#include "ui/ui_messages.h"

namespace {

TApplication* current = nullptr;

HWND MakeApplicationWindow() {
  static const wchar_t className[] = L"TApplication";
  static bool registered = false;
  if (!registered) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &::DefWindowProcW;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = className;
    if (::RegisterClassExW(&windowClass) == 0) RaiseWin32Error(::GetLastError());
    registered = true;
  }
  HWND window = ::CreateWindowExW(WS_EX_TOOLWINDOW, className, L"", WS_POPUP, 0, 0, 0, 0, nullptr,
                                  nullptr, ::GetModuleHandleW(nullptr), nullptr);
  if (window == nullptr) RaiseWin32Error(::GetLastError());
  return window;
}

void ShowErrorBox(const std::string& message, const std::string& caption) {
  ::MessageBoxW(nullptr, platform::Widen(ErrorBoxText(message)).c_str(),
                platform::Widen(caption).c_str(), MB_OK | MB_ICONSTOP | MB_TASKMODAL);
}

}  // namespace

TApplication::TApplication() : TComponent(nullptr), Handle_(MakeApplicationWindow()) {
  current = this;
  TClipboard::SetApplicationWindow(reinterpret_cast<std::uintptr_t>(Handle_));
}

TApplication::~TApplication() {
  // The forms themselves go with the component base, last made first.
  MainForm_ = nullptr;
  TClipboard::SetApplicationWindow(0);
  ::DestroyWindow(Handle_);
  if (current == this) current = nullptr;
}

TApplication* TApplication::Current() { return current; }

void TApplication::SetTitle(std::string title) {
  Title_ = std::move(title);
  ::SetWindowTextW(Handle_, platform::Widen(Title_).c_str());
}

void TApplication::AdoptForm(std::unique_ptr<TForm> form) {
  TForm* adopted = InsertComponent(std::move(form));
  if (MainForm_ == nullptr) MainForm_ = adopted;
  adopted->Handle();
}

void TApplication::Run() {
  if (MainForm_ != nullptr) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    ::GetStartupInfoW(&startup);
    int show = SW_SHOW;
    if ((startup.dwFlags & STARTF_USESHOWWINDOW) != 0 &&
        (startup.wShowWindow == SW_SHOWMAXIMIZED || startup.wShowWindow == SW_SHOWMINNOACTIVE)) {
      show = startup.wShowWindow;
    }
    MainForm_->Show(show);
  }
  while (!Terminated_) HandleMessage();
}

bool TApplication::HandleMessage() {
  MSG message{};
  const BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
  if (got == 0 || got == -1) {
    Terminated_ = true;
    return false;
  }
  Dispatch(message);
  return true;
}

void TApplication::ProcessMessages() {
  MSG message{};
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      Terminated_ = true;
      return;
    }
    Dispatch(message);
  }
}

void TApplication::Dispatch(MSG& message) {
  if (message.message == WM_KEYDOWN) {
    auto* form = dynamic_cast<TForm*>(TWinControl::FromHandle(::GetAncestor(message.hwnd, GA_ROOT)));
    bool used = false;
    try {
      used = form != nullptr && form->PreProcessKey(message);
    } catch (...) {
      HandleException();
      used = true;
    }
    if (used) return;
  }
  ::TranslateMessage(&message);
  ::DispatchMessageW(&message);
}

void TApplication::Terminate() {
  // The quit request comes out of the queue only after every message already in it.
  ::PostQuitMessage(0);
}

void TApplication::HandleException() noexcept {
  ::ReleaseCapture();
  try {
    throw;
  } catch (const EAbort&) {
  } catch (const Exception& failure) {
    ShowErrorMessage(failure.Message());
  } catch (const std::bad_alloc&) {
    ShowErrorMessage(ui_messages::SOutOfMemory);
  } catch (const std::exception& failure) {
    ShowErrorMessage(failure.what());
  } catch (...) {
    ShowErrorMessage(ui_messages::SUnknownException);
  }
}

void TApplication::ShowErrorMessage(const std::string& message) const {
  ShowErrorBox(message, Title_);
}

void HandleWindowException() noexcept {
  if (TApplication* application = TApplication::Current()) {
    application->HandleException();
    return;
  }
  try {
    throw;
  } catch (const EAbort&) {
  } catch (const std::exception& failure) {
    ShowErrorBox(failure.what(), "");
  } catch (...) {
    ShowErrorBox(ui_messages::SUnknownException, "");
  }
}
