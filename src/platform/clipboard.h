// The system clipboard and the bitmaps it hands over. Windows has both; elsewhere there is no
// clipboard: nothing is offered, it cannot be opened, and no bitmap handle is valid.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// Whether this system has a clipboard these functions reach.
bool HasClipboard();

// Whether the clipboard offers `format`; does not open it.
bool IsClipboardFormatAvailable(unsigned format);
// Opens the clipboard for `owner` (a window handle, may be null); false when another program
// holds it open.
bool OpenClipboard(void* owner);
void CloseClipboard();
// The data handle of `format` while the clipboard is open; null when it is not offered. The
// handle belongs to the clipboard.
void* GetClipboardData(unsigned format);
// The format after `format` in the clipboard's list (0 starts the list); 0 at its end.
unsigned EnumClipboardFormats(unsigned format);
// The number of the format registered under `name` (the same in every program); 0 on failure.
unsigned RegisterClipboardFormatName(const std::string& name);

// A window that only receives messages and passes each to the system's default handling, for
// calls that want a window of the program. Owned: destroyed with the object.
class MessageWindow {
 public:
  MessageWindow() = default;
  MessageWindow(MessageWindow&& other) noexcept;
  MessageWindow& operator=(MessageWindow&& other) noexcept;
  MessageWindow(const MessageWindow&) = delete;
  MessageWindow& operator=(const MessageWindow&) = delete;
  ~MessageWindow();

  // A new window; not made (null handle) when the system refuses.
  static MessageWindow Create();
  void* Handle() const { return Handle_; }

 private:
  void* Handle_ = nullptr;
};

// What the system reports of a bitmap handle (GetObject).
struct TBitmapObject {
  int Width = 0;
  int Height = 0;
  int WidthBytes = 0;
  int Planes = 0;
  int BitsPixel = 0;
  // A DIB section: its pixel memory is addressable, and Header and Masks describe it.
  bool IsSection = false;
  std::uint8_t Header[40] = {};
  std::uint32_t Masks[3] = {};
};
// Describes `bitmap`; returns the number of bytes the system filled in: 0 for an invalid
// handle, 24 for a device-dependent bitmap (the size fields only), more for a DIB section.
int DescribeBitmap(void* bitmap, TBitmapObject& object);

// Reads rows 0 to `rows` - 1 of `bitmap` into `bits`, converted to the layout of `info` (a
// bitmap info block: the 40-byte header followed by room for 3 masks or 256 colour-table
// entries, which the system fills in for the layout). Returns the number of rows read; 0 on
// failure.
int ReadBitmapBits(void* bitmap, std::uint8_t* info, void* bits, int rows);

// The entries of a logical palette, each red | green << 8 | blue << 16 | flags << 24; empty for
// an invalid handle.
std::vector<std::uint32_t> PaletteEntries(void* palette);

}  // namespace platform
