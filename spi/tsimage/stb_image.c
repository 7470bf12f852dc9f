/* The one translation unit that holds stb_image's implementation. Only the formats that this
   plug-in advertises are compiled in; BMP is read by the host itself, and stb's file helpers are
   left out because pictures always arrive in memory. */
#define STB_IMAGE_IMPLEMENTATION
#define STBI_NO_STDIO
#define STBI_NO_BMP
#define STBI_NO_PIC
#include <stb/stb_image.h>
