// PNG size against time for every zlib level on the three sample pictures, as tintsight-cli
// writes them (24-bit colour). Each run reports the file's bytes beside the time, so that the
// level of kPngLevel can be chosen by measurement: run from the source tree's root, or pass
// --samples=DIR.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
// Third-party code: its own warnings are not ours to fix.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wconversion"
#pragma GCC diagnostic ignored "-Wunused-function"
#include <stb/stb_image.h>
#pragma GCC diagnostic pop

#include "image/bitmap.h"
#include "image/png/png_writer.h"
#include "image/raster/dib.h"
#include "image/raster/raster_bitmap.h"
#include "rtl/stream.h"

namespace {

constexpr const char* kSamples[] = {"colour-wheel", "conditions-chart", "photo-gradient"};

// The sample as the CLI holds it before writing: a 24-bit picture.
bool LoadSample(const std::string& path, TBitmap& bitmap) {
  int width = 0, height = 0, channels = 0;
  stbi_uc* rgb = stbi_load(path.c_str(), &width, &height, &channels, 3);
  if (rgb == nullptr) return false;
  TBitmapInfoHeader header{};
  header.biSize = sizeof header;
  header.biWidth = width;
  header.biHeight = -height;
  header.biPlanes = 1;
  header.biBitCount = 24;
  bitmap.ImageLoaded(TRasterBitmap::CreateSection(header, nullptr, {}), nullptr, false);
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = bitmap.RowData(y);
    const stbi_uc* from = rgb + std::size_t(3) * width * y;
    for (int x = 0; x < width; ++x) {
      row[3 * x] = from[3 * x + 2];
      row[3 * x + 1] = from[3 * x + 1];
      row[3 * x + 2] = from[3 * x];
    }
  }
  stbi_image_free(rgb);
  return true;
}

void BM_Png(benchmark::State& state, const std::string& path) {
  TBitmap bitmap;
  if (!LoadSample(path, bitmap)) {
    state.SkipWithError(("cannot read " + path).c_str());
    return;
  }
  std::int64_t bytes = 0;
  for (auto _ : state) {
    TMemoryStream stream;
    TPngCompression compression;
    compression.Level = static_cast<int>(state.range(0));
    WritePng(bitmap, stream, compression);
    bytes = stream.Size();
  }
  state.counters["png_bytes"] = static_cast<double>(bytes);
  state.counters["bmp_bytes"] =
      static_cast<double>(54 + DIBRowLength(bitmap.Width(), 24) * bitmap.Height());
}

}  // namespace

int main(int argc, char** argv) {
  std::string folder = "samples";
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--samples=", 10) == 0) folder = argv[i] + 10;
  }
  for (const char* sample : kSamples) {
    benchmark::RegisterBenchmark(sample, BM_Png, folder + "/" + sample + ".png")
        ->DenseRange(1, 9)
        ->Unit(benchmark::kMillisecond);
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
