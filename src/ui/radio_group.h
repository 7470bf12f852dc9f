// TRadioGroup: an etched frame with a caption and one radio button per item, of which at most
// one is selected (ItemIndex). Tab reaches the group at its selected item; the arrow keys move
// the selection inside the group.
#pragma once

#include <string>
#include <vector>

#include "ui/win_control.h"

class TRadioGroup : public TWinControl {
 public:
  TS_CLASS_NAME(TRadioGroup)
  static const TPublishedClass& Published();

  explicit TRadioGroup(TComponent* owner);

  const std::vector<std::string>& Items() const { return Items_; }
  void SetItems(std::vector<std::string> items);
  // The selected item, -1 for none.
  int ItemIndex() const { return ItemIndex_; }
  // Selects `index` (-1 selects none); an index outside the items selects none.
  void SetItemIndex(int index);

  // Called when the user selects an item.
  void SetOnClick(TNotifyEvent handler) { OnClick_ = std::move(handler); }

  // The radio button of item `index`; null before the window exists.
  HWND ItemHandle(int index) const;

  void Loaded() override;
  void AppendTabStops(std::vector<HWND>& stops) override;
  bool DialogKey(WPARAM key) override;
  LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void HandleCreated() override;
  void BoundsChanged() override;
  void CaptionChanged() override;

 private:
  void MakeButtons();
  int CaptionHeight() const;
  void Paint(HDC dc);
  void ArrangeButtons();
  void ShowSelection();
  int IndexOf(HWND button) const;

  std::vector<std::string> Items_;
  int ItemIndex_ = -1;
  TNotifyEvent OnClick_;
  std::vector<HWND> Buttons_;
};
