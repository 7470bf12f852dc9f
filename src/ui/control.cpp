#include "ui/control.h"

#include <utility>

#include "ui/win_control.h"

const TPublishedClass& TControl::Published() {
  static const TPublishedClass entry{
      TComponentClass::Of<TControl>(),
      nullptr,
      {Bind<TControl>("Left",
                      [](TControl& c, const TPropertyValue& v) {
                        c.SetBounds(static_cast<int>(PropertyInt(v, "Left")), c.Top(), c.Width(),
                                    c.Height());
                      }),
       Bind<TControl>("Top",
                      [](TControl& c, const TPropertyValue& v) {
                        c.SetBounds(c.Left(), static_cast<int>(PropertyInt(v, "Top")), c.Width(),
                                    c.Height());
                      }),
       Bind<TControl>("Width",
                      [](TControl& c, const TPropertyValue& v) {
                        c.SetBounds(c.Left(), c.Top(), static_cast<int>(PropertyInt(v, "Width")),
                                    c.Height());
                      }),
       Bind<TControl>("Height",
                      [](TControl& c, const TPropertyValue& v) {
                        c.SetBounds(c.Left(), c.Top(), c.Width(),
                                    static_cast<int>(PropertyInt(v, "Height")));
                      }),
       Bind<TControl>("Caption",
                      [](TControl& c, const TPropertyValue& v) {
                        c.SetCaption(PropertyText(v, "Caption"));
                      }),
       Bind<TControl>("Visible",
                      [](TControl& c, const TPropertyValue& v) {
                        c.SetVisible(PropertyBool(v, "Visible"));
                      }),
       Bind<TControl>("Enabled",
                      [](TControl& c, const TPropertyValue& v) {
                        c.SetEnabled(PropertyBool(v, "Enabled"));
                      }),
       Bind<TControl>("TabOrder",
                      [](TControl& c, const TPropertyValue& v) {
                        c.SetTabOrder(static_cast<int>(PropertyInt(v, "TabOrder")));
                      }),
       Bind<TControl>("Align",
                      [](TControl& c, const TPropertyValue& v) {
                        static constexpr std::pair<std::string_view, TAlign> aligns[] = {
                            {"alNone", TAlign::alNone}, {"alClient", TAlign::alClient}};
                        c.SetAlign(PropertyEnum(v, "Align", aligns));
                      })},
      // A control nested in the description sits in the windowed control around it.
      [](TComponent& child, TComponent& parent) {
        static_cast<TControl&>(child).SetParent(&dynamic_cast<TWinControl&>(parent));
      }};
  return entry;
}

TControl::~TControl() {
  if (Parent_ != nullptr) Parent_->RemoveControl(*this);
}

void TControl::SetParent(TWinControl* parent) {
  if (parent == Parent_) return;
  if (Parent_ != nullptr) Parent_->RemoveControl(*this);
  Parent_ = parent;
  if (Parent_ != nullptr) Parent_->InsertControl(*this);
}

void TControl::SetBounds(int left, int top, int width, int height) {
  if (left == Left_ && top == Top_ && width == Width_ && height == Height_) return;
  Left_ = left;
  Top_ = top;
  Width_ = width;
  Height_ = height;
  BoundsChanged();
}

void TControl::SetCaption(std::string caption) {
  if (caption == Caption_) return;
  Caption_ = std::move(caption);
  CaptionChanged();
}

void TControl::SetVisible(bool visible) {
  if (visible == Visible_) return;
  Visible_ = visible;
  VisibleChanged();
}

bool TControl::Showing() const {
  for (const TControl* control = this; control != nullptr; control = control->Parent_) {
    if (!control->Visible_) return false;
  }
  return true;
}

void TControl::SetEnabled(bool enabled) {
  if (enabled == Enabled_) return;
  Enabled_ = enabled;
  EnabledChanged();
}

void TControl::SetAlign(TAlign align) {
  Align_ = align;
  if (Parent_ != nullptr) Parent_->Realign();
}

const TFont* TControl::Font() const { return Parent_ != nullptr ? Parent_->Font() : nullptr; }
