#include "rtl/class_ref.h"

#include <gtest/gtest.h>

#include "rtl/component.h"

namespace {

class TShape : public TObject {
 public:
  TS_CLASS_NAME(TShape)
  explicit TShape(int size) : Size(size) {}
  virtual int Corners() const = 0;
  int Size;
};
class TSquare : public TShape {
 public:
  TS_CLASS_NAME(TSquare)
  using TShape::TShape;
  int Corners() const override { return 4; }
};
class TBigSquare : public TSquare {
 public:
  TS_CLASS_NAME(TBigSquare)
  explicit TBigSquare(int size) : TSquare(size * 10) {}
};
using TShapeClass = TClassRef<TShape, int>;

TEST(ClassRef, ConstructsTheNamedClassAndTestsInstances) {
  const auto square = TShapeClass::Of<TSquare>();
  const auto big = TShapeClass::Of<TBigSquare>();
  EXPECT_EQ(square.ClassName(), "TSquare");

  auto made = big.Create(3);
  ASSERT_NE(made, nullptr);
  EXPECT_STREQ(made->ClassName(), "TBigSquare");
  EXPECT_EQ(made->Size, 30);

  EXPECT_TRUE(square.IsInstance(made.get()));    // derived counts
  EXPECT_TRUE(big.IsInstance(made.get()));
  auto plain = square.Create(1);
  EXPECT_FALSE(big.IsInstance(plain.get()));     // a base is not a derived
  EXPECT_FALSE(square.IsInstance(nullptr));
  EXPECT_EQ(TShapeClass::Of<TShape>().Create(1), nullptr);  // abstract: no object
  EXPECT_FALSE(TShapeClass());
  EXPECT_TRUE(square == TShapeClass::Of<TSquare>());
}

class TProbe : public TComponent {
 public:
  TS_CLASS_NAME(TProbe)
  TProbe(TComponent* owner, std::vector<std::string>* log, std::string name)
      : TComponent(owner), Log(log) {
    SetName(std::move(name));
  }
  ~TProbe() override { Log->push_back(Name()); }
  std::vector<std::string>* Log;
};

TEST(Component, OwnerDestroysOwnedComponentsLastFirst) {
  std::vector<std::string> log;
  {
    TComponent owner(nullptr);
    MakeOwnedComponent<TProbe>(owner, &log, "first");
    auto* second = MakeOwnedComponent<TProbe>(owner, &log, "second");
    EXPECT_EQ(owner.ComponentCount(), 2);
    EXPECT_EQ(owner.FindComponent("second"), second);
    EXPECT_EQ(owner.FindComponent("none"), nullptr);
    EXPECT_EQ(second->Owner(), &owner);
  }
  EXPECT_EQ(log, (std::vector<std::string>{"second", "first"}));
}

}  // namespace
