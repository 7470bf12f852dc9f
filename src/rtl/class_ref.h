// Class references: a small value that names a class of a tree rooted in `Base`, can construct
// an object of that class through its constructor taking `Args`, and can test whether an object
// is of that class or derived from it. This is how callers choose a class at run time (the
// plug-in class for a module, the picture class for a copy) without knowing it at compile time.
#pragma once

#include <memory>
#include <string_view>
#include <type_traits>
#include <utility>

template <class Base, class... Args>
class TClassRef {
 public:
  // The null reference: names no class.
  constexpr TClassRef() = default;

  // The reference to `C`, which must derive from `Base` and declare TS_CLASS_NAME.
  template <class C>
  static TClassRef Of() {
    static_assert(std::is_base_of_v<Base, C>);
    static constexpr TMeta meta{
        C::StaticClassName,
        [](Args... args) -> std::unique_ptr<Base> {
          // An abstract class names a family but makes no objects of its own.
          if constexpr (std::is_abstract_v<C>) {
            return nullptr;
          } else {
            return std::make_unique<C>(std::forward<Args>(args)...);
          }
        },
        [](const Base* object) { return dynamic_cast<const C*>(object) != nullptr; }};
    return TClassRef(&meta);
  }

  explicit operator bool() const { return Meta_ != nullptr; }
  friend bool operator==(TClassRef a, TClassRef b) { return a.Meta_ == b.Meta_; }

  // The class's name; empty for the null reference.
  std::string_view ClassName() const { return Meta_ ? Meta_->Name : std::string_view(); }

  // A new object of the named class; the caller owns it. Null for an abstract class. Must not
  // be called on the null reference.
  std::unique_ptr<Base> Create(Args... args) const {
    return Meta_->Create(std::forward<Args>(args)...);
  }

  // Whether `object` is of the named class or of a class derived from it. False for null.
  bool IsInstance(const Base* object) const {
    return Meta_ != nullptr && object != nullptr && Meta_->IsInstance(object);
  }

 private:
  struct TMeta {
    const char* Name;
    std::unique_ptr<Base> (*Create)(Args...);
    bool (*IsInstance)(const Base*);
  };
  explicit constexpr TClassRef(const TMeta* meta) : Meta_(meta) {}

  const TMeta* Meta_ = nullptr;
};
