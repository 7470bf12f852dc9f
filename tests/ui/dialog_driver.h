// Drives the modal dialogs that code under test opens on the test's own thread: a watcher
// thread waits for each dialog box (the common file dialogs, message boxes), acts on it as the
// next step says, and closes any dialog that no step expected, recording what it said, so that a
// test never hangs on an unexpected box.
#pragma once

#include <windows.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// What a step saw of the dialog it acted on.
struct TDialogSeen {
  std::string Title;
  std::string Text;  // the message of a message box; empty for other dialogs
};

class TDialogDriver {
 public:
  using TStep = std::function<void(HWND dialog)>;

  // Starts watching the dialogs of `thread` (by default the calling thread). Each dialog that
  // appears is handed to the next of `steps`; once they are used up, further dialogs are
  // recorded as unexpected and cancelled.
  explicit TDialogDriver(std::vector<TStep> steps, DWORD thread = ::GetCurrentThreadId());
  TDialogDriver(const TDialogDriver&) = delete;
  TDialogDriver& operator=(const TDialogDriver&) = delete;
  // Stops watching.
  ~TDialogDriver();

  // The dialogs the steps acted on, and those no step expected, in order.
  std::vector<TDialogSeen> Handled() const;
  std::vector<TDialogSeen> Unexpected() const;

  // Steps: type `path` as the file name and press OK; press Cancel; press OK (a message box).
  static TStep ChooseFile(std::string path);
  static TStep Cancel();
  static TStep PressOk();
  // Reads the file name the dialog opened with into `name` (UTF-8), then presses Cancel.
  static TStep ReadFileNameAndCancel(std::string* name);

 private:
  void Watch();

  const DWORD Thread_;
  std::vector<TStep> Steps_;
  std::atomic<bool> Stop_{false};
  mutable std::mutex Mutex_;
  std::vector<TDialogSeen> Handled_;
  std::vector<TDialogSeen> Unexpected_;
  std::thread Watcher_;
};

// The text of a window, UTF-8.
std::string WindowText(HWND window);
