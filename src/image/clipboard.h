// TClipboard: the process's view of the system clipboard, as far as importing a bitmap needs
// it. One object per process (TheClipboard), made on first use and destroyed at exit. Opening
// nests: only the first Open and the last Close reach the system, so a caller may hold the
// clipboard open around calls that open and close it themselves. A data handle belongs to the
// clipboard: it is read only while the clipboard is open and never kept.
//
// TBitmap::LoadFromClipboardData (declared with TBitmap) is defined beside this, and
// ImportClipboardBitmap is the whole import as "クリップボードから読みこむ" runs it.
//
// Where the system has no clipboard (the native Linux build) nothing is ever offered and the
// clipboard cannot be opened.
#pragma once

#include <cstdint>

#include "platform/clipboard.h"
#include "rtl/persistent.h"

class TBitmap;

// The clipboard's bitmap format (a device-dependent bitmap handle).
inline constexpr unsigned kClipboardBitmap = 2;

class TClipboard : public TPersistent {
 public:
  TS_CLASS_NAME(TClipboard)

  // Registers the program's two private formats with the system.
  TClipboard();
  // Closes the clipboard if it is still open.
  ~TClipboard() override;

  // The first open takes the clipboard for the application's window, or, when there is none,
  // for a message window of this object's own; fails with Exception
  // "クリップボードを開くことができません" (OpenCount stays 0) when another program holds it.
  void Open();
  // Undoes one Open; the last one gives the clipboard back (and the own window goes). Without an
  // open, nothing happens.
  void Close();

  // Whether the clipboard offers `format`, without opening it. For the private picture format
  // the answer is also yes when it offers a format that a picture class reads.
  bool HasDataFormat(unsigned format);
  // The data handle of `format` (0 when it is not offered), fetched between an Open and a Close
  // of its own; the caller holds the clipboard open around this and the use of the handle.
  std::uintptr_t GetDataHandle(unsigned format);

  int OpenCount() const { return OpenCount_; }
  // The window the clipboard is open for; 0 while closed.
  std::uintptr_t OwnerWindow() const { return OwnerWindow_; }
  // Whether OwnerWindow is the message window this object made itself.
  bool OwnsWindow() const { return OwnWindow_.Handle() != nullptr; }

  // The private formats: any picture a registered picture class reads, and a component.
  static unsigned PictureFormat();
  static unsigned ComponentFormat();

  // The application object's own window, which the clipboard is opened with; 0 when there is
  // none. Set by the application object while it exists.
  static void SetApplicationWindow(std::uintptr_t window);

 private:
  int OpenCount_ = 0;
  std::uintptr_t OwnerWindow_ = 0;
  platform::MessageWindow OwnWindow_;
  bool Emptied_ = false;
};

TClipboard& TheClipboard();

// Holds the clipboard open for one scope: Open in the constructor, Close in the destructor.
class TClipboardOpen {
 public:
  explicit TClipboardOpen(TClipboard& clipboard) : Clipboard_(clipboard) { Clipboard_.Open(); }
  TClipboardOpen(const TClipboardOpen&) = delete;
  TClipboardOpen& operator=(const TClipboardOpen&) = delete;
  ~TClipboardOpen() { Clipboard_.Close(); }

 private:
  TClipboard& Clipboard_;
};

// The import of "クリップボードから読みこむ" once the clipboard offers a bitmap: with the
// clipboard held open from the fetch until the copy is made, `bitmap` loads the bitmap's data
// handle (no palette). The clipboard is closed on every path; a failure passes on and leaves
// `bitmap` as it was.
void ImportClipboardBitmap(TClipboard& clipboard, TBitmap& bitmap);
