/* The one translation unit that holds stb_image's implementation. Only the formats that this
   plug-in advertises are compiled in; BMP is read by the host itself, and stb's file helpers are
   left out because pictures always arrive in memory. */
#include <stdlib.h>

/* Some readers (raw TGA) leave the rest of a picture unwritten when the file ends early. Blocks
   start zeroed, so that what the file lacks comes out black instead of as whatever the memory
   held before. */
#define STBI_MALLOC(size) calloc(1, size)
#define STBI_REALLOC(block, size) realloc(block, size)
#define STBI_FREE(block) free(block)

#define STB_IMAGE_IMPLEMENTATION
#define STBI_NO_STDIO
#define STBI_NO_BMP
#define STBI_NO_PIC
#include <stb/stb_image.h>
