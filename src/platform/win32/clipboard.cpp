#include "platform/clipboard.h"

#include <windows.h>

#include <cstring>
#include <utility>

#include "platform/text.h"

namespace platform {

bool HasClipboard() { return true; }

bool IsClipboardFormatAvailable(unsigned format) {
  return ::IsClipboardFormatAvailable(format) != 0;
}

bool OpenClipboard(void* owner) { return ::OpenClipboard(static_cast<HWND>(owner)) != 0; }

void CloseClipboard() { ::CloseClipboard(); }

void* GetClipboardData(unsigned format) { return ::GetClipboardData(format); }

unsigned EnumClipboardFormats(unsigned format) { return ::EnumClipboardFormats(format); }

unsigned RegisterClipboardFormatName(const std::string& name) {
  return ::RegisterClipboardFormatW(Widen(name).c_str());
}

MessageWindow::MessageWindow(MessageWindow&& other) noexcept
    : Handle_(std::exchange(other.Handle_, nullptr)) {}

MessageWindow& MessageWindow::operator=(MessageWindow&& other) noexcept {
  if (this != &other) {
    if (Handle_ != nullptr) ::DestroyWindow(static_cast<HWND>(Handle_));
    Handle_ = std::exchange(other.Handle_, nullptr);
  }
  return *this;
}

MessageWindow::~MessageWindow() {
  if (Handle_ != nullptr) ::DestroyWindow(static_cast<HWND>(Handle_));
}

MessageWindow MessageWindow::Create() {
  static const wchar_t className[] = L"TintsightMessageWindow";
  static const bool registered = [] {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &::DefWindowProcW;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = className;
    return ::RegisterClassExW(&windowClass) != 0;
  }();
  MessageWindow window;
  if (registered) {
    window.Handle_ = ::CreateWindowExW(0, className, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                       ::GetModuleHandleW(nullptr), nullptr);
  }
  return window;
}

int DescribeBitmap(void* bitmap, TBitmapObject& object) {
  DIBSECTION section{};
  const int filled = ::GetObjectW(static_cast<HBITMAP>(bitmap), sizeof section, &section);
  object = TBitmapObject{};
  if (filled < static_cast<int>(sizeof(BITMAP))) return filled;
  object.Width = section.dsBm.bmWidth;
  object.Height = section.dsBm.bmHeight;
  object.WidthBytes = section.dsBm.bmWidthBytes;
  object.Planes = section.dsBm.bmPlanes;
  object.BitsPixel = section.dsBm.bmBitsPixel;
  object.IsSection = filled >= static_cast<int>(sizeof section) && section.dsBm.bmBits != nullptr;
  if (object.IsSection) {
    static_assert(sizeof section.dsBmih == sizeof object.Header);
    std::memcpy(object.Header, &section.dsBmih, sizeof object.Header);
    std::memcpy(object.Masks, section.dsBitfields, sizeof object.Masks);
  }
  return filled;
}

int ReadBitmapBits(void* bitmap, std::uint8_t* info, void* bits, int rows) {
  const HDC screen = ::GetDC(nullptr);
  if (screen == nullptr) return 0;
  const int read = ::GetDIBits(screen, static_cast<HBITMAP>(bitmap), 0, static_cast<UINT>(rows),
                               bits, reinterpret_cast<BITMAPINFO*>(info), DIB_RGB_COLORS);
  ::ReleaseDC(nullptr, screen);
  return read;
}

std::vector<std::uint32_t> PaletteEntries(void* palette) {
  const auto handle = static_cast<HPALETTE>(palette);
  const UINT count = ::GetPaletteEntries(handle, 0, 0, nullptr);
  std::vector<PALETTEENTRY> entries(count);
  if (count == 0 || ::GetPaletteEntries(handle, 0, count, entries.data()) != count) return {};
  std::vector<std::uint32_t> packed;
  packed.reserve(count);
  for (const PALETTEENTRY& entry : entries) {
    packed.push_back(entry.peRed | entry.peGreen << 8 | entry.peBlue << 16 |
                     static_cast<std::uint32_t>(entry.peFlags) << 24);
  }
  return packed;
}

}  // namespace platform
