// Speed of the colour-vision models on a 12-megapixel 24-bit picture, one pass per iteration on
// one core, every type at the default severity. Throughput is in bytes of pixels per second
// (the target is at least 1 GB/s per pass); a memcpy of the same bytes runs beside them as the
// machine's ceiling.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "image/bitmap.h"
#include "image/colour/row_operation.h"
#include "image/colour/vision_model.h"
#include "image/raster/dib.h"
#include "image/raster/raster_bitmap.h"

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;
constexpr std::int64_t kPictureBytes = DIBRowLength(kWidth, 24) * kHeight;

// Noise, so that the half-space test of tritanopia goes both ways unpredictably.
void FillNoise(std::uint8_t* bytes, std::int64_t count) {
  std::uint32_t state = 0x9E3779B9u;
  for (std::int64_t i = 0; i < count; ++i) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    bytes[i] = static_cast<std::uint8_t>(state >> 24);
  }
}

void BM_Memcpy(benchmark::State& state) {
  std::vector<std::uint8_t> source(static_cast<std::size_t>(kPictureBytes));
  std::vector<std::uint8_t> target(source.size());
  FillNoise(source.data(), kPictureBytes);
  for (auto _ : state) {
    std::memcpy(target.data(), source.data(), source.size());
    benchmark::DoNotOptimize(target.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * kPictureBytes);
}

void BM_VisionModel(benchmark::State& state) {
  const TVisionTypeName& type = kVisionTypeNames[static_cast<std::size_t>(state.range(0))];
  state.SetLabel(std::string(type.Name));
  TBitmapInfoHeader header{};
  header.biSize = sizeof header;
  header.biWidth = kWidth;
  header.biHeight = kHeight;
  header.biPlanes = 1;
  header.biBitCount = 24;
  TRasterBitmapPtr section = TRasterBitmap::CreateSection(header, nullptr, {});
  FillNoise(section->Bits(), section->ImageSize());
  TBitmap bitmap;
  bitmap.ImageLoaded(std::move(section), nullptr, false);
  const TRowOperation operation = VisionModelOperation(type.Type);
  for (auto _ : state) {
    ApplyRowOperation(bitmap, operation);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * kPictureBytes);
}

BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_VisionModel)
    ->DenseRange(0, static_cast<int>(kVisionTypeNames.size()) - 1)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
