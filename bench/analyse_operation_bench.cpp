// Speed of "解析する" as the main window runs it, on a 24-megapixel picture (6000 x 4000):
// ResultBitmap is assigned the loaded picture, set to 24 bits and rewritten by a condition. The
// loaded picture is 24-bit (a BMP file) or 32-bit (what plug-ins hand over). Showing the result
// costs only a shared reference and is left out. Target: under 150 ms.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "image/colour/analysis.h"
#include "image/bitmap.h"
#include "image/raster/raster_bitmap.h"

namespace {

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;

void LoadNoise(TBitmap& bitmap, int bitCount) {
  TBitmapInfoHeader header{};
  header.biSize = sizeof header;
  header.biWidth = kWidth;
  header.biHeight = kHeight;
  header.biPlanes = 1;
  header.biBitCount = static_cast<std::uint16_t>(bitCount);
  header.biCompression = BI_RGB;
  TRasterBitmapPtr section = TRasterBitmap::CreateSection(header, nullptr, {});
  std::uint32_t state = 0x12345678u;
  std::uint8_t* bytes = section->Bits();
  for (std::int64_t i = 0; i < section->ImageSize(); ++i) {
    state = state * 1664525u + 1013904223u;
    bytes[i] = static_cast<std::uint8_t>(state >> 24);
  }
  bitmap.ImageLoaded(std::move(section), nullptr, false);
}

void BM_AnalyseOperation(benchmark::State& state) {
  TBitmap source;
  LoadNoise(source, static_cast<int>(state.range(0)));
  for (auto _ : state) {
    TBitmap result;
    result.Assign(&source);
    result.SetPixelLayout(TPixelLayout::pl24Bit);
    ApplyAnalysisCondition(result, 3);
    benchmark::DoNotOptimize(result.RowData(0));
  }
  state.counters["megapixels"] = kWidth * kHeight / 1e6;
}

}  // namespace

BENCHMARK(BM_AnalyseOperation)->Arg(24)->Arg(32)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
