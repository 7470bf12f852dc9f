// TAmSPI: a plug-in of API version "00AM". It is opened, described and kept like any plug-in;
// nothing asks it to do anything.
#pragma once

#include "plugins/spi.h"

class TAmSPI : public TSPI {
 public:
  TS_CLASS_NAME(TAmSPI)
  using TSPI::TSPI;
};
