// The clipboard tests' second program (clipboard_source.exe) started from a test: it puts what
// the arguments say on the clipboard and keeps it there while this object lives.
#pragma once

#include <windows.h>

#include <string>

class TClipboardSource {
 public:
  // Starts `program` (a path relative to the running test's own folder) with `arguments` and
  // waits until it has filled the clipboard.
  TClipboardSource(const std::wstring& program, const std::wstring& arguments);
  TClipboardSource(const TClipboardSource&) = delete;
  TClipboardSource& operator=(const TClipboardSource&) = delete;
  // Tells the program to finish and waits for it.
  ~TClipboardSource();

  // Whether the program started and filled the clipboard.
  bool Started() const { return Started_; }

 private:
  HANDLE Ready_ = nullptr;
  HANDLE Done_ = nullptr;
  PROCESS_INFORMATION Process_{};
  bool Started_ = false;
};

// Waits up to 4 s until the clipboard offers `format` (another program's clipboard data may
// arrive a moment later); whether it does.
bool WaitForClipboardFormat(UINT format);
