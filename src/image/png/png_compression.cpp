#include "image/png/png_compression.h"

#include <zlib.h>

int ZlibStrategy(TPngStrategy strategy) {
  switch (strategy) {
    case TPngStrategy::psDefault:
      return Z_DEFAULT_STRATEGY;
    case TPngStrategy::psFiltered:
      return Z_FILTERED;
    case TPngStrategy::psRle:
      return Z_RLE;
  }
  return Z_DEFAULT_STRATEGY;
}
