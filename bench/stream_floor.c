/* The streaming floor for the CLI benchmark: the least work the job needs without holding the
 * picture. Reads the 54-byte header of a 24-bit BMP, then reads about 1 MiB of whole rows at a
 * time, replaces the red channel of every pixel by the mean of green and blue (condition 3) and
 * writes the rows out. No checks beyond what keeps it inside its buffer.
 * Usage: stream_floor INPUT OUTPUT */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

static uint32_t get32(const unsigned char* p) {
  return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  FILE* in = fopen(argv[1], "rb");
  FILE* out = fopen(argv[2], "wb");
  unsigned char header[54];
  if (!in || !out || fread(header, 1, 54, in) != 54 || get32(header + 10) != 54) return 1;
  const int32_t width = (int32_t)get32(header + 18);
  int32_t height = (int32_t)get32(header + 22);
  if (height < 0) height = -height;
  if (get32(header + 28) != 24 || fwrite(header, 1, 54, out) != 54) return 1;
  const size_t stride = ((size_t)width * 24 + 31) / 32 * 4;
  size_t rows = ((size_t)1 << 20) / stride;
  if (rows == 0) rows = 1;
  unsigned char* block = malloc(rows * stride);
  if (!block) return 1;
  for (int32_t y = 0; y < height; y += (int32_t)rows) {
    const size_t n = (size_t)(height - y) < rows ? (size_t)(height - y) : rows;
    if (fread(block, stride, n, in) != n) return 1;
    for (size_t r = 0; r < n; ++r) {
      unsigned char* p = block + r * stride;
      for (int32_t x = 0; x < width; ++x, p += 3) p[2] = (unsigned char)((p[0] + p[1]) >> 1);
    }
    if (fwrite(block, stride, n, out) != n) return 1;
  }
  free(block);
  return fclose(out) != 0;
}
