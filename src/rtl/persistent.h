// TPersistent: an object that can take the state of another through `Assign`.
#pragma once

#include "rtl/object.h"

class TPersistent : public TObject {
 public:
  TS_CLASS_NAME(TPersistent)

  // Copies `source` into this object. The base asks the source to assign itself to this object
  // (AssignTo); where it cannot, fails with EConvertError "%s を %s に代入することはできません"
  // (the source's class name, or "nil"; this object's class name).
  virtual void Assign(const TPersistent* source);

 protected:
  // Copies this object into `dest`. The base cannot and fails as Assign describes.
  virtual void AssignTo(TPersistent& dest) const;

 private:
  [[noreturn]] void AssignError(const TPersistent* source) const;
};
