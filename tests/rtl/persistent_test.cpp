#include "rtl/persistent.h"

#include <gtest/gtest.h>

#include "rtl/exception.h"

namespace {

class TColourItem : public TPersistent {
 public:
  TS_CLASS_NAME(TColourItem)
  int Colour = 0;
  void Assign(const TPersistent* source) override {
    if (auto* item = dynamic_cast<const TColourItem*>(source)) {
      Colour = item->Colour;
      return;
    }
    TPersistent::Assign(source);
  }
};

// Knows how to copy itself into a TColourItem, but not the reverse.
class TPaint : public TPersistent {
 public:
  TS_CLASS_NAME(TPaint)
  int Tint = 7;

 protected:
  void AssignTo(TPersistent& dest) const override {
    if (auto* item = dynamic_cast<TColourItem*>(&dest)) {
      item->Colour = Tint;
      return;
    }
    TPersistent::AssignTo(dest);
  }
};

TEST(Persistent, AssignFallsBackToAssignToThenFails) {
  TColourItem item;
  TPaint paint;
  item.Assign(&paint);
  EXPECT_EQ(item.Colour, 7);

  struct Case {
    TPersistent* dest;
    const TPersistent* source;
    const char* message;
  };
  TPersistent plain;
  const Case cases[] = {
      {&paint, &item, "TColourItem を TPaint に代入することはできません"},
      {&item, nullptr, "nil を TColourItem に代入することはできません"},
      {&plain, &paint, "TPaint を TPersistent に代入することはできません"},
  };
  for (const auto& c : cases) {
    try {
      c.dest->Assign(c.source);
      ADD_FAILURE() << "no exception, expected: " << c.message;
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
  }
}

}  // namespace
