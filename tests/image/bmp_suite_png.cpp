// The implementation of stb_image, which the suite uses to read its reference pictures.
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include <stb/stb_image.h>
