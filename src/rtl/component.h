// TComponent: a named object with an owner. The owner destroys the components it owns, last
// made first; a component built from a stored description receives `Loaded` once the whole
// description has been read.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "rtl/persistent.h"

enum class TComponentStateFlag : unsigned { csLoading = 1, csDesigning = 2, csDestroying = 4 };

class TComponent : public TPersistent {
 public:
  TS_CLASS_NAME(TComponent)

  explicit TComponent(TComponent* owner) : Owner_(owner) {}
  ~TComponent() override;

  TComponent* Owner() const { return Owner_; }
  const std::string& Name() const { return Name_; }
  void SetName(std::string name) { Name_ = std::move(name); }
  long Tag() const { return Tag_; }
  void SetTag(long tag) { Tag_ = tag; }

  bool HasState(TComponentStateFlag flag) const {
    return (State_ & static_cast<unsigned>(flag)) != 0;
  }
  void SetState(TComponentStateFlag flag, bool on);

  // Hands `component` (whose owner is this object) to this owner, which destroys it with
  // itself. Returns the component for convenience.
  template <class C>
  C* InsertComponent(std::unique_ptr<C> component) {
    C* raw = component.get();
    Components_.push_back(std::move(component));
    return raw;
  }
  int ComponentCount() const { return static_cast<int>(Components_.size()); }
  TComponent* Components(int index) const { return Components_.at(index).get(); }
  // The owned component named `name`, or null.
  TComponent* FindComponent(const std::string& name) const;

  // Called once the stored description that made this component has been read completely.
  // Overrides call the base first.
  virtual void Loaded();

 private:
  TComponent* Owner_;
  std::string Name_;
  long Tag_ = 0;
  unsigned State_ = 0;
  std::vector<std::unique_ptr<TComponent>> Components_;
};

// Makes a component of class `C` owned by `owner`: C's constructor takes the owner first.
template <class C, class... A>
C* MakeOwnedComponent(TComponent& owner, A&&... args) {
  return owner.InsertComponent(std::make_unique<C>(&owner, std::forward<A>(args)...));
}
