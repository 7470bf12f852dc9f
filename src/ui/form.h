// TForm: a top-level window built from a stored description. It owns every component of its
// description (through component ownership), gives its font to all its controls, moves the
// focus with Tab by the controls' tab order, and finds its event handlers by name.
#pragma once

#include <windows.h>

#include <string_view>

#include "ui/color.h"
#include "ui/description.h"
#include "ui/font.h"
#include "ui/gdi_object.h"
#include "ui/win_control.h"

enum class TBorderIcon { biSystemMenu, biMinimize, biMaximize };
enum class TBorderStyle { bsNone, bsSingle, bsSizeable };

class TForm : public TWinControl {
 public:
  TS_CLASS_NAME(TForm)
  static const TPublishedClass& Published();

  explicit TForm(TComponent* owner);
  ~TForm() override;

  const TFont* Font() const override { return &Font_; }
  TFont& Font() { return Font_; }

  TColor Color() const { return Color_; }
  void SetColor(TColor color);

  // The title-bar buttons; none at all also means no system menu.
  bool HasBorderIcon(TBorderIcon icon) const;
  void SetBorderIcons(std::vector<TBorderIcon> icons) { BorderIcons_ = std::move(icons); }
  TBorderStyle BorderStyle() const { return BorderStyle_; }
  void SetBorderStyle(TBorderStyle style) { BorderStyle_ = style; }

  // The display the description was laid out for (pixels per inch, text height in pixels).
  // Kept as declared; the layout is not scaled to another display.
  int PixelsPerInch() const { return PixelsPerInch_; }
  int TextHeight() const { return TextHeight_; }
  void SetDesignMetrics(int pixelsPerInch, int textHeight) {
    PixelsPerInch_ = pixelsPerInch;
    TextHeight_ = textHeight;
  }

  // Shows the window with the system's show command (SW_SHOW, SW_SHOWMAXIMIZED, ...).
  void Show(int showCommand = SW_SHOW);
  // Closes the window: for the application's main window this tells the application to
  // terminate; any other form is hidden.
  void Close();

  // The control that has (or last had) the keyboard focus inside this window; null for none.
  HWND ActiveControl() const { return ActiveControl_; }
  // Moves the focus to the next (or previous) control in tab order, wrapping around.
  void SelectNext(bool forward);
  // The windows that Tab visits, in order.
  std::vector<HWND> TabStops();

  // Offers a key-down message to the focused control and the controls around it up to this
  // window before the focused window sees it; true when one of them used it.
  bool PreProcessKey(const MSG& message);

  // The handler named `name` (an event property's value in the description), bound to this
  // form; empty when the form has no method of that name. The base has none.
  virtual TNotifyEvent MethodAddress(std::string_view name);

  LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  bool DialogKey(WPARAM key) override;

 protected:
  // Reads this form's stored description; `formClass` is the published entry of the form's
  // own class. Event properties bind to MethodAddress.
  void ReadFormDescription(const TPublishedClass& formClass, const TObjectDescription& description);

  void CreateParams(TCreateParams& params) override;

  // Points `field` at the component named `name` that the description made; fails with
  // EReadError "コンポーネント %s が見つかりません" when there is none of that name and class.
  template <class C>
  void BindField(C*& field, std::string_view name) const;

 private:
  void FocusFirstOrRemembered();

  TFont Font_;
  TColor Color_ = clBtnFace;
  TGdiObject<HBRUSH> Brush_;
  std::vector<TBorderIcon> BorderIcons_{TBorderIcon::biSystemMenu, TBorderIcon::biMinimize,
                                        TBorderIcon::biMaximize};
  TBorderStyle BorderStyle_ = TBorderStyle::bsSizeable;
  int PixelsPerInch_ = 96;
  int TextHeight_ = 13;
  HWND ActiveControl_ = nullptr;
};

[[noreturn]] void RaiseComponentNotFound(std::string_view name);

template <class C>
void TForm::BindField(C*& field, std::string_view name) const {
  field = dynamic_cast<C*>(FindComponent(std::string(name)));
  if (field == nullptr) RaiseComponentNotFound(name);
}
