#include "platform/clipboard.h"

#include <utility>

namespace platform {

// There is no clipboard here: nothing is offered, it never opens, no handle is valid.

bool HasClipboard() { return false; }
bool IsClipboardFormatAvailable(unsigned) { return false; }
bool OpenClipboard(void*) { return false; }
void CloseClipboard() {}
void* GetClipboardData(unsigned) { return nullptr; }
unsigned EnumClipboardFormats(unsigned) { return 0; }
unsigned RegisterClipboardFormatName(const std::string&) { return 0; }

MessageWindow::MessageWindow(MessageWindow&& other) noexcept
    : Handle_(std::exchange(other.Handle_, nullptr)) {}
MessageWindow& MessageWindow::operator=(MessageWindow&& other) noexcept {
  Handle_ = std::exchange(other.Handle_, nullptr);
  return *this;
}
MessageWindow::~MessageWindow() = default;
MessageWindow MessageWindow::Create() { return MessageWindow(); }

int DescribeBitmap(void*, TBitmapObject& object) {
  object = TBitmapObject{};
  return 0;
}

int ReadBitmapBits(void*, std::uint8_t*, void*, int) { return 0; }

std::vector<std::uint32_t> PaletteEntries(void*) { return {}; }

}  // namespace platform
