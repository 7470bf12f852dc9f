// TApplication: the program's application object. It holds the title (also the caption of
// the standard error box), owns the forms made through it (the first is the main window), runs
// the message loop, and shows every exception that reaches it in the standard error box.
// One exists at a time (Current); the entry point makes it and it lives until the process ends.
#pragma once

#include <windows.h>

#include <exception>
#include <memory>
#include <string>

#include "rtl/component.h"
#include "rtl/exception.h"
#include "ui/form.h"

class TApplication : public TComponent {
 public:
  TS_CLASS_NAME(TApplication)

  // Becomes the current application and makes its own hidden window (the handle the
  // clipboard is opened with).
  TApplication();
  // Destroys the hidden window, then (through the component base) the forms, last made first.
  ~TApplication() override;

  // The application that exists now; null when none does.
  static TApplication* Current();

  // Runs the initialisation hook when one is registered; none is here.
  void Initialize() {}

  const std::string& Title() const { return Title_; }
  void SetTitle(std::string title);
  HWND Handle() const { return Handle_; }
  TForm* MainForm() const { return MainForm_; }

  // Makes a form of class F owned by the application. `reference` holds the form's address
  // from before its constructor runs (code that runs during the construction may look it up)
  // and is reset to null when the constructor fails; the failure passes on. The first form made
  // becomes the main window; its native window is made at once.
  template <class F>
  void CreateForm(F*& reference);

  // Shows the main window (maximised or minimised when the process was started so) and handles
  // messages until the application is told to terminate.
  void Run();
  // Waits for one message and handles it; false when it was the quit request.
  bool HandleMessage();
  // Handles the messages already queued without waiting; stops at the quit request.
  void ProcessMessages();
  // Asks the loop to end once the messages already queued are handled.
  void Terminate();
  bool Terminated() const { return Terminated_; }

  // Called inside a handler of any exception: releases the mouse capture, then shows the
  // exception in the standard error box; a silent abort (EAbort) shows nothing.
  void HandleException() noexcept;
  // The standard error box for `message`: the text by ErrorBoxText, the title as caption, the
  // stop icon, one OK button; the application's windows are disabled while it is shown.
  void ShowErrorMessage(const std::string& message) const;

 private:
  void AdoptForm(std::unique_ptr<TForm> form);
  void Dispatch(MSG& message);

  std::string Title_;
  HWND Handle_ = nullptr;
  TForm* MainForm_ = nullptr;
  bool Terminated_ = false;
};

template <class F>
void TApplication::CreateForm(F*& reference) {
  std::allocator<F> allocator;
  F* storage = allocator.allocate(1);
  reference = storage;
  try {
    std::construct_at(storage, this);
  } catch (...) {
    reference = nullptr;
    allocator.deallocate(storage, 1);
    throw;
  }
  AdoptForm(std::unique_ptr<TForm>(storage));
}
