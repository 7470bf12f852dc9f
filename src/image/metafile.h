// TMetafile: the picture class of Windows metafiles (.wmf, .emf). This program reads no metafile;
// the class exists so that the picture-format registry can name it. It is abstract: its class
// reference makes no object.
#pragma once

#include "image/graphic.h"

class TMetafile : public TGraphic {
 public:
  TS_CLASS_NAME(TMetafile)
};
