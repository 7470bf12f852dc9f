// The PNG encoder of stb_image_write, kept private to this folder: its symbols are static inside
// one C file, so programs that link another copy of stb_image_write (the tests do) see no clash.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

// Receives the whole encoded file in one call, or not at all when encoding failed.
typedef void TStbPngSink(void* context, void* data, int size);

// Encodes `height` rows of `width` 8-bit RGB pixels (`stride` bytes from one row start to the
// next, the top row first) at zlib level `level` and hands the file to `sink`. Returns 0 when
// stb could not encode (out of memory). Sets stb's one global level: not for two threads at once.
int StbEncodePng(TStbPngSink* sink, void* context, int width, int height, const unsigned char* rgb,
                 int stride, int level);

#ifdef __cplusplus
}
#endif
