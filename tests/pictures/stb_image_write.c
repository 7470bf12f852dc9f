/* The implementation of stb_image_write, which the tests use to make their pictures. */
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>
