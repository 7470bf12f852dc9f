#include "clipboard_source_process.h"

TClipboardSource::TClipboardSource(const std::wstring& program, const std::wstring& arguments) {
  static int count = 0;
  const std::wstring tag = std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(++count);
  const std::wstring readyName = L"TintsightClipboardReady-" + tag;
  const std::wstring doneName = L"TintsightClipboardDone-" + tag;
  Ready_ = ::CreateEventW(nullptr, TRUE, FALSE, readyName.c_str());
  Done_ = ::CreateEventW(nullptr, TRUE, FALSE, doneName.c_str());
  wchar_t self[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path(self);
  path = path.substr(0, path.find_last_of(L"\\/") + 1) + program;
  std::wstring command = L"\"" + path + L"\" " + arguments + L" " + readyName + L" " + doneName;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  if (!::CreateProcessW(path.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &Process_)) {
    return;
  }
  const HANDLE waits[] = {Ready_, Process_.hProcess};
  Started_ = ::WaitForMultipleObjects(2, waits, FALSE, 20000) == WAIT_OBJECT_0;
}

TClipboardSource::~TClipboardSource() {
  ::SetEvent(Done_);
  if (Process_.hProcess != nullptr) {
    ::WaitForSingleObject(Process_.hProcess, 20000);
    ::CloseHandle(Process_.hThread);
    ::CloseHandle(Process_.hProcess);
  }
  ::CloseHandle(Ready_);
  ::CloseHandle(Done_);
}

bool WaitForClipboardFormat(UINT format) {
  for (int i = 0; i < 200 && !::IsClipboardFormatAvailable(format); ++i) ::Sleep(20);
  return ::IsClipboardFormatAvailable(format) != 0;
}
