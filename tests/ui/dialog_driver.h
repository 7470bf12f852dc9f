// Drives the modal dialogs that code under test opens on the test's own thread: a watcher
// thread hands each dialog box (file dialogs, message boxes) to the next step, and cancels any
// dialog that no step expected, recording what it said, so that a test never hangs on one.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct TDialogSeen {
  std::string Title;
  std::string Text;  // the message of a message box; empty for other dialogs
};

class TDialogDriver {
 public:
  using TStep = std::function<void(HWND dialog)>;

  // Starts watching the dialogs of the calling thread.
  explicit TDialogDriver(std::vector<TStep> steps);
  TDialogDriver(const TDialogDriver&) = delete;
  TDialogDriver& operator=(const TDialogDriver&) = delete;
  ~TDialogDriver();

  // The dialogs the steps acted on, and those no step expected, in order.
  std::vector<TDialogSeen> Handled() const;
  std::vector<TDialogSeen> Unexpected() const;

  // Types `path` as the file name and presses OK.
  static TStep ChooseFile(std::string path);
  // Presses IDOK or IDCANCEL.
  static TStep PressButton(int button);
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
