#include "rtl/component.h"

TComponent::~TComponent() {
  SetState(TComponentStateFlag::csDestroying, true);
  // Last made, first destroyed: later components may refer to earlier ones.
  while (!Components_.empty()) Components_.pop_back();
}

void TComponent::SetState(TComponentStateFlag flag, bool on) {
  if (on) {
    State_ |= static_cast<unsigned>(flag);
  } else {
    State_ &= ~static_cast<unsigned>(flag);
  }
}

TComponent* TComponent::FindComponent(const std::string& name) const {
  for (const auto& component : Components_) {
    if (component->Name() == name) return component.get();
  }
  return nullptr;
}

void TComponent::Loaded() { SetState(TComponentStateFlag::csLoading, false); }
