// TButton: a push button. A click (mouse, Space, or Enter while it has the focus) calls its
// OnClick handler.
#pragma once

#include "ui/win_control.h"

class TButton : public TWinControl {
 public:
  TS_CLASS_NAME(TButton)
  static const TPublishedClass& Published();

  explicit TButton(TComponent* owner);

  const TNotifyEvent& OnClick() const { return OnClick_; }
  void SetOnClick(TNotifyEvent handler) { OnClick_ = std::move(handler); }
  // Calls OnClick with this button as sender, when one is set.
  virtual void Click();

  bool DialogKey(WPARAM key) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CommandNotify(WORD code) override;

 private:
  TNotifyEvent OnClick_;
};
