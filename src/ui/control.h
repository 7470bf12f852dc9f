// TControl: a visual component placed inside a windowed container (its parent), with a
// position and size in the parent's client coordinates, a caption, a visibility and a place in
// the parent's tab order. Controls without a native window of their own (the chart) derive from
// it directly; those with one derive from TWinControl.
#pragma once

#include <string>

#include "rtl/component.h"
#include "ui/published_class.h"

class TFont;
class TWinControl;

enum class TAlign { alNone, alClient };

class TControl : public TComponent {
 public:
  TS_CLASS_NAME(TControl)
  static const TPublishedClass& Published();

  explicit TControl(TComponent* owner) : TComponent(owner) {}
  // Leaves the parent's list of controls.
  ~TControl() override;

  // The container this control sits in; null for a form and for a control not placed yet. The
  // parent does not own the control (the owner does); it only lists it.
  TWinControl* Parent() const { return Parent_; }
  virtual void SetParent(TWinControl* parent);

  int Left() const { return Left_; }
  int Top() const { return Top_; }
  int Width() const { return Width_; }
  int Height() const { return Height_; }
  void SetBounds(int left, int top, int width, int height);

  const std::string& Caption() const { return Caption_; }
  void SetCaption(std::string caption);

  // Whether the control is declared visible (its parent may still be hidden).
  bool Visible() const { return Visible_; }
  void SetVisible(bool visible);
  // Visible, and so is every container up to the form.
  bool Showing() const;

  bool Enabled() const { return Enabled_; }
  void SetEnabled(bool enabled);

  // The place among the parent's controls when Tab moves the focus; -1 for none given.
  int TabOrder() const { return TabOrder_; }
  void SetTabOrder(int order) { TabOrder_ = order; }

  // Filling the parent's client area (alClient) or placed by its bounds (alNone).
  TAlign Align() const { return Align_; }
  void SetAlign(TAlign align);

  // Every control takes its form's font: the parent's, up the chain.
  virtual const TFont* Font() const;

 protected:
  // Called after the matching property changed.
  virtual void BoundsChanged() {}
  virtual void CaptionChanged() {}
  virtual void VisibleChanged() {}
  virtual void EnabledChanged() {}

 private:
  friend class TWinControl;

  TWinControl* Parent_ = nullptr;
  int Left_ = 0;
  int Top_ = 0;
  int Width_ = 0;
  int Height_ = 0;
  std::string Caption_;
  bool Visible_ = true;
  bool Enabled_ = true;
  int TabOrder_ = -1;
  TAlign Align_ = TAlign::alNone;
};
