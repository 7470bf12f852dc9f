// A second program for the clipboard tests: it puts something on the clipboard (or holds the
// clipboard open), says so through a named event, and stays alive until told to finish, because
// what a program put on the clipboard goes with it.
//
//   clipboard_source bitmap <width> <height> <ready event> <done event>
//   clipboard_source mono <width> <height> <ready event> <done event>
//   clipboard_source text <ready event> <done event>
//   clipboard_source hold <ready event> <done event>
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "clipboard_pattern.h"

namespace {

HBITMAP ColourBitmap(int width, int height) {
  const HDC screen = ::GetDC(nullptr);
  const HBITMAP bitmap = ::CreateCompatibleBitmap(screen, width, height);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  const int rowLength = (width * 3 + 3) & ~3;
  std::vector<std::uint8_t> bits(static_cast<std::size_t>(rowLength * height));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const std::uint32_t colour = clipboard_pattern::Colour(x, y);
      std::uint8_t* pixel = bits.data() + y * rowLength + 3 * x;
      pixel[0] = static_cast<std::uint8_t>(colour);
      pixel[1] = static_cast<std::uint8_t>(colour >> 8);
      pixel[2] = static_cast<std::uint8_t>(colour >> 16);
    }
  }
  ::SetDIBits(screen, bitmap, 0, static_cast<UINT>(height), bits.data(), &info, DIB_RGB_COLORS);
  ::ReleaseDC(nullptr, screen);
  return bitmap;
}

HBITMAP MonochromeBitmap(int width, int height) {
  // CreateBitmap wants rows padded to 2 bytes, top row first, 1 for white.
  const int rowLength = ((width + 15) / 16) * 2;
  std::vector<std::uint8_t> bits(static_cast<std::size_t>(rowLength * height));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      if (clipboard_pattern::White(x, y)) {
        bits[static_cast<std::size_t>(y * rowLength + x / 8)] |=
            static_cast<std::uint8_t>(0x80 >> (x % 8));
      }
    }
  }
  return ::CreateBitmap(width, height, 1, 1, bits.data());
}

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
    ok = Put(owner, CF_BITMAP, mode == L"mono" ? MonochromeBitmap(width, height)
                                               : ColourBitmap(width, height));
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
