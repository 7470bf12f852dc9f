#include "ui/description.h"

#include "rtl/exception.h"
#include "ui/ui_messages.h"

namespace {

class TDescriptionReader {
 public:
  TDescriptionReader(TComponent& root, const TMethodLookup& methods)
      : Root_(root), Context_(root, methods) {}

  void ReadRoot(const TPublishedClass& rootClass, const TObjectDescription& description) {
    Root_.SetState(TComponentStateFlag::csLoading, true);
    ReadProperties(Root_, rootClass, description);
    ReadChildren(Root_, description);
    // Loaded goes out only now: a component may rely on the settings of every other one.
    for (TComponent* component : Made_) component->Loaded();
    Root_.Loaded();
  }

 private:
  void ReadChildren(TComponent& parent, const TObjectDescription& description) {
    for (const TObjectDescription& child : description.Children) {
      TComponent& made = Make(child);
      Nest(made, *child.Class, parent);
      ReadProperties(made, *child.Class, child);
      ReadChildren(made, child);
    }
  }

  TComponent& Make(const TObjectDescription& description) {
    auto component = description.Class->Class.Create(&Root_);
    component->SetName(description.Name);
    component->SetState(TComponentStateFlag::csLoading, true);
    TComponent& made = *Root_.InsertComponent(std::move(component));
    Made_.push_back(&made);
    return made;
  }

  // Every object is placed in the object around it: a control in its container (the root is
  // the form), a series in its chart. The class's own parent setter decides what that means; a
  // class without one (a dialog, the plug-in collection) can stand only at the top level.
  void Nest(TComponent& child, const TPublishedClass& childClass, TComponent& parent) {
    const auto* setter = childClass.FindParentSetter();
    if (setter != nullptr) {
      (*setter)(child, parent);
    } else if (&parent != &Root_) {
      throw EReadError(ui_messages::SCannotNest, {child.Name(), parent.Name()});
    }
  }

  void ReadProperties(TComponent& object, const TPublishedClass& objectClass,
                      const TObjectDescription& description) {
    for (const auto& [name, value] : description.Properties) {
      const TPropertyBinding* binding = objectClass.FindProperty(name);
      if (binding == nullptr) throw EReadError(ui_messages::SUnknownProperty, {name});
      binding->Set(object, value, Context_);
    }
  }

  TComponent& Root_;
  TReadContext Context_;
  std::vector<TComponent*> Made_;
};

}  // namespace

void ReadDescription(TComponent& root, const TPublishedClass& rootClass,
                     const TObjectDescription& description, const TMethodLookup& methods) {
  TDescriptionReader(root, methods).ReadRoot(rootClass, description);
}
