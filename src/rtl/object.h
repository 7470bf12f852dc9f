// The root of the class library's object tree: a polymorphic object that knows its class name.
#pragma once

class TObject {
 public:
  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject() = default;

  // The class name as the class library names it ("TBitmap"); messages quote it.
  virtual const char* ClassName() const noexcept { return "TObject"; }
};

// Gives a class its name: the static `StaticClassName` that class references read, and the
// virtual `ClassName` that objects answer.
#define TS_CLASS_NAME(Name)                                                    \
  static constexpr const char* StaticClassName = #Name;                        \
  const char* ClassName() const noexcept override { return StaticClassName; }
