// What a stored window description may say about a class: how to make an object of it, and how
// to set each of its published properties from a stored value. Each class that can stand in a
// description has one `TPublishedClass`, usually returned by a static `Published()`; a class
// from a lower layer (the plug-in collection) gets its entry from the layer that uses it.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "rtl/class_ref.h"
#include "rtl/component.h"
#include "ui/property_value.h"

class TObject;

// A component class, constructed with its owner.
using TComponentClass = TClassRef<TComponent, TComponent*>;

// An event handler bound to an object: takes the sender and returns nothing.
using TNotifyEvent = std::function<void(TObject* sender)>;

// Finds a method of the description's root by name, bound to the root; empty when it has none.
using TMethodLookup = std::function<TNotifyEvent(std::string_view name)>;

// What a property setter may ask of the description being read.
class TReadContext {
 public:
  TReadContext(const TComponent& root, TMethodLookup methods)
      : Root_(root), Methods_(std::move(methods)) {}

  // The root's method of that name; fails with EReadError "メソッド %s が見つかりません".
  TNotifyEvent FindMethod(std::string_view name) const;
  // The component of that name already made from this description; fails with EReadError
  // "コンポーネント %s が見つかりません".
  TComponent& FindComponent(std::string_view name) const;

 private:
  const TComponent& Root_;
  TMethodLookup Methods_;
};

struct TPropertyBinding {
  std::string_view Name;
  std::function<void(TComponent& object, const TPropertyValue& value, const TReadContext& context)>
      Set;
};

struct TPublishedClass {
  TComponentClass Class;
  // The entry of the base class whose properties this class inherits; null at the root.
  const TPublishedClass* Base = nullptr;
  std::vector<TPropertyBinding> Properties;
  // Places a component nested under `parent` in the description (a control in its container,
  // a series in its chart). Null: inherited from the base; null everywhere: nesting is refused.
  std::function<void(TComponent& child, TComponent& parent)> SetParentComponent;

  // The setter for `property` here or in a base; null when no class in the chain has it.
  const TPropertyBinding* FindProperty(std::string_view property) const;
  const std::function<void(TComponent&, TComponent&)>* FindParentSetter() const;
};

// A binding for a property of class `C`: the setter receives the object already cast.
template <class C, class F>
TPropertyBinding Bind(std::string_view name, F setter) {
  return {name, [setter](TComponent& object, const TPropertyValue& value,
                         const TReadContext& context) {
            if constexpr (std::is_invocable_v<F, C&, const TPropertyValue&, const TReadContext&>) {
              setter(static_cast<C&>(object), value, context);
            } else {
              setter(static_cast<C&>(object), value);
            }
          }};
}
