// PNG size against time for every zlib level and strategy, as tintsight-cli writes the
// pictures (the smallest exact colour type, adaptive filters, blocks on every processor). Each
// run reports the file's bytes beside the time, so that the defaults of TPngCompression can be
// chosen by measurement; level 0 is the setting WritePng chooses for the picture (its label
// says which). Pictures: the samples (run from the source tree's root, or pass
// --samples=DIR), or PNG files named on the command line (bench/png_bench.sh leaves its
// photo, sheet and screenshot in its folder with KEEP=1). --threads=N compresses on N threads
// (default 1).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

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
#include "image/colour/row_reader.h"
#include "image/png/png_colour_reduction.h"
#include "image/png/png_deflate_choice.h"
#include "image/png/png_writer.h"
#include "image/raster/dib.h"
#include "image/raster/raster_bitmap.h"
#include "rtl/stream.h"

namespace {

constexpr const char* kSamples[] = {"colour-wheel", "conditions-chart", "photo-gradient"};
constexpr const char* kStrategies[] = {"default", "filtered", "rle"};
int gThreads = 1;

// The picture as the CLI holds it before writing: a 24-bit picture.
bool LoadPicture(const std::string& path, TBitmap& bitmap) {
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

// The setting WritePng chooses for `bitmap`, as a label.
std::string ChosenLabel(TBitmap& bitmap) {
  const TRowReader reader(bitmap);
  TPngColourReduction reduction(bitmap.Width());
  for (int y = 0; y < bitmap.Height(); ++y) reduction.AddRow(reader.Row(y));
  reduction.ChooseLayout(bitmap.Height());
  const TPngDeflateSetting setting = DeflateSettingFor(reader, reduction);
  return "chosen: level " + std::to_string(setting.Level) + " " +
         kStrategies[static_cast<int>(setting.Strategy)];
}

// range(0): the level, 0 for the chosen setting; range(1): the strategy.
void BM_Png(benchmark::State& state, const std::string& path) {
  TBitmap bitmap;
  if (!LoadPicture(path, bitmap)) {
    state.SkipWithError(("cannot read " + path).c_str());
    return;
  }
  TPngCompression compression;
  if (state.range(0) != 0) {
    compression.Setting = TPngDeflateSetting{static_cast<int>(state.range(0)),
                                             static_cast<TPngStrategy>(state.range(1))};
  }
  // One thread by default, so that the CPU time is the whole work; --threads=N for wall time.
  compression.Threads = gThreads;
  state.SetLabel(state.range(0) == 0 ? ChosenLabel(bitmap) : kStrategies[state.range(1)]);
  std::int64_t bytes = 0;
  for (auto _ : state) {
    TMemoryStream stream;
    WritePng(bitmap, stream, compression);
    bytes = stream.Size();
  }
  state.counters["png_bytes"] = static_cast<double>(bytes);
  state.counters["bmp_bytes"] =
      static_cast<double>(54 + DIBRowLength(bitmap.Width(), 24) * bitmap.Height());
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  std::string folder = "samples";
  std::vector<std::string> pictures;
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--samples=", 10) == 0) {
      folder = argv[i] + 10;
    } else if (std::strncmp(argv[i], "--threads=", 10) == 0) {
      gThreads = std::atoi(argv[i] + 10);
    } else {
      pictures.push_back(argv[i]);
    }
  }
  if (pictures.empty()) {
    for (const char* sample : kSamples) pictures.push_back(folder + "/" + sample + ".png");
  }
  for (const std::string& picture : pictures) {
    benchmark::RegisterBenchmark(picture.c_str(), BM_Png, picture)
        ->Args({0, 0})
        ->ArgsProduct({benchmark::CreateDenseRange(1, 9, 1), {0, 1, 2}})
        ->Unit(benchmark::kMillisecond);
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
