// TWinControl: a control with a native window of its own, and a container for other controls.
// The native window is made on demand (its parent's first) and destroyed with the object; its
// messages reach the virtual WndProc. A notification that a standard child control sends to its
// parent (WM_COMMAND) is handed back to the child object that sent it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "ui/control.h"

class TWinControl : public TControl {
 public:
  TS_CLASS_NAME(TWinControl)
  static const TPublishedClass& Published();

  explicit TWinControl(TComponent* owner) : TControl(owner) {}
  // Destroys the native window (and with it the windows of the controls inside) and lets the
  // controls inside know that they have no parent any more.
  ~TWinControl() override;

  // The native window, made now if it does not exist yet.
  HWND Handle();
  bool HandleAllocated() const { return Handle_ != nullptr; }
  // The object behind a native window made by this library; null for any other window.
  static TWinControl* FromHandle(HWND window);

  // The controls placed in this one, in the order they were placed.
  const std::vector<TControl*>& Controls() const { return Controls_; }

  bool TabStop() const { return TabStop_; }
  void SetTabStop(bool tabStop) { TabStop_ = tabStop; }
  // Whether Tab may put the focus here: showing, enabled and with a window.
  bool CanFocus() const;
  // The windows that Tab visits inside this control, in tab order, appended to `stops`: this
  // window when it takes the focus, then the controls inside by their TabOrder.
  virtual void AppendTabStops(std::vector<HWND>& stops);

  // The area that controls aligned to fill this one (alClient) take, in client coordinates.
  virtual RECT AlignRect() const { return RECT{0, 0, Width(), Height()}; }
  // Gives every control aligned to fill this one the whole AlignRect.
  void Realign();

  // A key pressed while this control or one inside it has the focus, before the focused window
  // sees it. Returns true when the key was used here (Tab, arrows in a group, Enter on a
  // button); the base uses none.
  virtual bool DialogKey(WPARAM key);

  // Handles one message of the native window. The base reflects child notifications and
  // passes everything else to the window's default handling.
  virtual LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam);

 protected:
  struct TCreateParams {
    std::wstring WindowClass;
    DWORD Style = 0;
    DWORD ExStyle = 0;
    int X = 0;
    int Y = 0;
    int Width = 0;
    int Height = 0;
    HWND Parent = nullptr;
    // A window class of the system's (BUTTON): its own window procedure stays the default
    // handling; otherwise the library registers the class under WindowClass.
    bool SystemClass = false;
    HBRUSH Background = nullptr;
  };
  virtual void CreateParams(TCreateParams& params);
  // Called once the native window exists: sets the font, makes the windows of the controls
  // inside. Overrides call the base.
  virtual void HandleCreated();
  // A notification that this control's window sent to its parent (WM_COMMAND's code).
  virtual void CommandNotify(WORD code);
  LRESULT DefaultHandler(UINT message, WPARAM wParam, LPARAM lParam);

  // Takes position and size as the native window reports them after the user moved it,
  // without moving the window again.
  void TakeBounds(int left, int top, int width, int height);

  void BoundsChanged() override;
  void CaptionChanged() override;
  void VisibleChanged() override;
  void EnabledChanged() override;

 private:
  friend class TControl;
  static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam,
                                          LPARAM lParam);
  void Attach(HWND window);
  void Detach();
  void DestroyHandle();
  void InsertControl(TControl& control);
  void RemoveControl(TControl& control);

  HWND Handle_ = nullptr;
  WNDPROC SystemProcedure_ = nullptr;
  std::vector<TControl*> Controls_;
  bool TabStop_ = false;
  bool TakingBounds_ = false;
};

// Shows an exception that reached a window procedure through the application's handling; used
// where an exception must not cross a platform call back.
void HandleWindowException() noexcept;
