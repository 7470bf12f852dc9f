#include "rtl/persistent.h"

#include "rtl/exception.h"
#include "rtl/messages.h"

void TPersistent::Assign(const TPersistent* source) {
  if (source == nullptr) AssignError(nullptr);
  source->AssignTo(*this);
}

void TPersistent::AssignTo(TPersistent& dest) const { dest.AssignError(this); }

void TPersistent::AssignError(const TPersistent* source) const {
  throw EConvertError(rtl_messages::SAssignError,
                      {source ? source->ClassName() : "nil", ClassName()});
}
