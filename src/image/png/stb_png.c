/* stb_image_write's PNG encoder behind one function of ours; see stb_png.h. */
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#include <stb/stb_image_write.h>

#include "image/png/stb_png.h"

int StbEncodePng(TStbPngSink* sink, void* context, int width, int height,
                 const unsigned char* rgb, int stride, int level) {
  stbi_write_png_compression_level = level;
  return stbi_write_png_to_func(sink, context, width, height, 3, rgb, stride);
}
