/* The floor for the CLI benchmark: the least work the job needs. Reads the whole 24-bit BMP
 * into memory, replaces the red channel of every pixel by the mean of green and blue (condition
 * 3), and writes the whole file back out. No checks beyond what keeps it inside its buffer.
 * Usage: floor INPUT OUTPUT */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

static uint32_t get32(const unsigned char* p) {
  return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  FILE* in = fopen(argv[1], "rb");
  if (!in) return 1;
  fseek(in, 0, SEEK_END);
  long size = ftell(in);
  fseek(in, 0, SEEK_SET);
  unsigned char* file = malloc((size_t)size);
  if (!file || fread(file, 1, (size_t)size, in) != (size_t)size || size < 54) return 1;
  fclose(in);

  const uint32_t offset = get32(file + 10);
  const int32_t width = (int32_t)get32(file + 18);
  int32_t height = (int32_t)get32(file + 22);
  if (height < 0) height = -height;
  const size_t stride = ((size_t)width * 24 + 31) / 32 * 4;
  if (get32(file + 28) != 24 || offset + stride * (size_t)height > (size_t)size) return 1;
  for (int32_t y = 0; y < height; ++y) {
    unsigned char* p = file + offset + stride * (size_t)y;
    for (int32_t x = 0; x < width; ++x, p += 3) p[2] = (unsigned char)((p[0] + p[1]) >> 1);
  }

  FILE* out = fopen(argv[2], "wb");
  if (!out || fwrite(file, 1, (size_t)size, out) != (size_t)size || fclose(out) != 0) return 1;
  free(file);
  return 0;
}
