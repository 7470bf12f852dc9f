// A second program for the clipboard tests: it puts something on the clipboard (or holds the
// clipboard open), says so through a named event, and stays alive until told to finish, because
// what a program put on the clipboard goes with it.
//
//   clipboard_source bitmap <width> <height> <ready event> <done event>
//   clipboard_source mono <width> <height> <ready event> <done event>
//   clipboard_source text <ready event> <done event>
//   clipboard_source hold <ready event> <done event>
#include <windows.h>

#include <cstring>
#include <cwchar>
#include <string>

#include "clipboard_pattern.h"

namespace {

HGLOBAL Text(const wchar_t* text) {
  const std::size_t bytes = (std::wcslen(text) + 1) * sizeof(wchar_t);
  HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, bytes);
  std::memcpy(::GlobalLock(memory), text, bytes);
  ::GlobalUnlock(memory);
  return memory;
}

bool Put(HWND owner, UINT format, HANDLE data) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    if (::OpenClipboard(owner)) {
      ::EmptyClipboard();
      const bool put = ::SetClipboardData(format, data) != nullptr;
      ::CloseClipboard();
      return put;
    }
    ::Sleep(20);
  }
  return false;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 4) return 2;
  const std::wstring mode = argv[1];
  const bool sized = mode == L"bitmap" || mode == L"mono";
  if (argc != (sized ? 6 : 4)) return 2;
  const HANDLE ready = ::OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[argc - 2]);
  const HANDLE done = ::OpenEventW(SYNCHRONIZE, FALSE, argv[argc - 1]);
  if (ready == nullptr || done == nullptr) return 3;

  const HWND owner = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                       nullptr, nullptr);
  bool ok = false;
  if (sized) {
    const int width = _wtoi(argv[2]);
    const int height = _wtoi(argv[3]);
    ok = Put(owner, CF_BITMAP, clipboard_pattern::MakeBitmap(width, height, mode == L"mono"));
  } else if (mode == L"text") {
    ok = Put(owner, CF_UNICODETEXT, Text(L"no picture here"));
  } else if (mode == L"hold") {
    ok = ::OpenClipboard(owner) != 0;
  }
  if (!ok) return 4;
  ::SetEvent(ready);
  // Keep answering the clipboard's requests until the test is done.
  while (::MsgWaitForMultipleObjects(1, &done, FALSE, 60000, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
  }
  if (mode == L"hold") ::CloseClipboard();
  return 0;
}
