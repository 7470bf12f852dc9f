// TIcon: the picture class of Windows icons (.ico). This program reads no icon; the class exists
// so that the picture-format registry can name it. It is abstract: its class reference makes no
// object.
#pragma once

#include "image/graphic.h"

class TIcon : public TGraphic {
 public:
  TS_CLASS_NAME(TIcon)
};
