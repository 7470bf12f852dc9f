#include "ui/button.h"

const TPublishedClass& TButton::Published() {
  static const TPublishedClass entry{
      TComponentClass::Of<TButton>(),
      &TWinControl::Published(),
      {Bind<TButton>("OnClick",
                     [](TButton& b, const TPropertyValue& v, const TReadContext& context) {
                       b.SetOnClick(context.FindMethod(PropertyIdent(v, "OnClick")));
                     })},
      nullptr};
  return entry;
}

TButton::TButton(TComponent* owner) : TWinControl(owner) { SetTabStop(true); }

void TButton::Click() {
  if (OnClick_) OnClick_(this);
}

bool TButton::DialogKey(WPARAM key) {
  if (key != VK_RETURN) return false;
  Click();
  return true;
}

void TButton::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.WindowClass = L"BUTTON";
  params.SystemClass = true;
  params.Style |= BS_PUSHBUTTON;
}

void TButton::CommandNotify(WORD code) {
  if (code == BN_CLICKED) Click();
}
