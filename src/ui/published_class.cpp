#include "ui/published_class.h"

#include "rtl/exception.h"
#include "ui/ui_messages.h"

TNotifyEvent TReadContext::FindMethod(std::string_view name) const {
  TNotifyEvent method = Methods_ ? Methods_(name) : TNotifyEvent();
  if (!method) throw EReadError(ui_messages::SMethodNotFound, {name});
  return method;
}

TComponent& TReadContext::FindComponent(std::string_view name) const {
  TComponent* found = Root_.FindComponent(std::string(name));
  if (found == nullptr) throw EReadError(ui_messages::SComponentNotFound, {name});
  return *found;
}

const TPropertyBinding* TPublishedClass::FindProperty(std::string_view property) const {
  for (const TPublishedClass* entry = this; entry != nullptr; entry = entry->Base) {
    for (const TPropertyBinding& binding : entry->Properties) {
      if (binding.Name == property) return &binding;
    }
  }
  return nullptr;
}

const std::function<void(TComponent&, TComponent&)>* TPublishedClass::FindParentSetter() const {
  for (const TPublishedClass* entry = this; entry != nullptr; entry = entry->Base) {
    if (entry->SetParentComponent) return &entry->SetParentComponent;
  }
  return nullptr;
}
