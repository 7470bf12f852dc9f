// Drives the modal dialogs that code under test opens on the test's thread (file dialogs,
// message boxes): a thread timer, which every modal loop dispatches, hands each dialog to the
// next step and cancels any dialog that no step expected, recording what it said, so that a
// test never hangs on one.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

struct TDialogSeen {
  std::string Title;
  std::string Text;  // the message of a message box; empty for other dialogs
};

class TDialogDriver {
 public:
  using TStep = std::function<void(HWND dialog)>;

  // Watches the dialogs of the calling thread while it lives; one driver at a time.
  explicit TDialogDriver(std::vector<TStep> steps);
  TDialogDriver(const TDialogDriver&) = delete;
  TDialogDriver& operator=(const TDialogDriver&) = delete;
  ~TDialogDriver();

  // The dialogs the steps acted on, and those no step expected, in order.
  const std::vector<TDialogSeen>& Handled() const { return Handled_; }
  const std::vector<TDialogSeen>& Unexpected() const { return Unexpected_; }

  // Types `path` as the file name and presses OK.
  static TStep ChooseFile(std::string path);
  // Presses IDOK or IDCANCEL.
  static TStep PressButton(int button);
  // Reads the file name the dialog opened with into `name` (UTF-8), then presses Cancel.
  static TStep ReadFileNameAndCancel(std::string* name);

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);

  std::vector<TStep> Steps_;
  std::size_t Next_ = 0;
  HWND Appeared_ = nullptr;  // found at the last tick: acted on at the next, once it is set up
  HWND Done_ = nullptr;      // the dialog last acted on, until it is gone
  UINT_PTR Timer_ = 0;
  std::vector<TDialogSeen> Handled_;
  std::vector<TDialogSeen> Unexpected_;
};

// The text of a window, UTF-8.
std::string WindowText(HWND window);
