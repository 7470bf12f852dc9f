// TXnSPI: a plug-in of API version "00XN". It is opened, described and kept like any plug-in;
// nothing asks it to do anything.
#pragma once

#include "plugins/spi.h"

class TXnSPI : public TSPI {
 public:
  TS_CLASS_NAME(TXnSPI)
  using TSPI::TSPI;
};
