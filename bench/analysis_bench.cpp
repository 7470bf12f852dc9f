// Speed of the analysis pass, of every colour-vision model and of the conversions to 24 bits on a
// 12-megapixel picture,
// against a memcpy of the same bytes measured in the same run. After the usual table, each
// benchmark's throughput is printed as a share of the memcpy's (the median where repetitions
// were asked for). Rates are per CPU second, so a busy machine skews them less.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "image/colour/analysis.h"
#include "image/colour/row_operation.h"
#include "image/colour/vision_model.h"
#include "image/bitmap.h"
#include "image/raster/dib.h"
#include "image/raster/palette.h"
#include "image/raster/raster_bitmap.h"

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

// The bytes of the 24-bit picture: what every benchmark is measured against.
constexpr std::int64_t kPictureBytes = DIBRowLength(kWidth, 24) * kHeight;

void FillNoise(std::uint8_t* bytes, std::int64_t count) {
  std::uint32_t state = 0x9E3779B9u;
  for (std::int64_t i = 0; i < count; ++i) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    bytes[i] = static_cast<std::uint8_t>(state >> 24);
  }
}

// A bitmap of the benchmark's size in `bitCount` bits, filled with noise.
void LoadPicture(TBitmap& bitmap, int bitCount, std::uint32_t compression = BI_RGB) {
  TBitmapInfoHeader header{};
  header.biSize = sizeof header;
  header.biWidth = kWidth;
  header.biHeight = kHeight;
  header.biPlanes = 1;
  header.biBitCount = static_cast<std::uint16_t>(bitCount);
  header.biCompression = compression;
  const std::vector<TRGBQuad> table =
      bitCount == 8 ? MakeHalftonePalette()->ColorTable() : std::vector<TRGBQuad>{};
  TRasterBitmapPtr section = TRasterBitmap::CreateSection(header, kMasks565, table);
  FillNoise(section->Bits(), section->ImageSize());
  bitmap.ImageLoaded(std::move(section), nullptr, false);
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

void BM_AnalysisCondition(benchmark::State& state) {
  const int condition = static_cast<int>(state.range(0));
  TBitmap bitmap;
  LoadPicture(bitmap, 24);
  for (auto _ : state) {
    ApplyAnalysisCondition(bitmap, condition);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * kPictureBytes);
}

// Noise makes the half-space test of tritanopia go both ways unpredictably.
void BM_VisionModel(benchmark::State& state) {
  const TVisionTypeName& type = kVisionTypeNames[static_cast<std::size_t>(state.range(0))];
  state.SetLabel(std::string(type.Name));
  TBitmap bitmap;
  LoadPicture(bitmap, 24);
  const TRowOperation operation = VisionModelOperation(type.Type);
  for (auto _ : state) {
    ApplyRowOperation(bitmap, operation);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * kPictureBytes);
}

// Assign and set 24 bits, as the analysis does: one new 24-bit picture per iteration.
void ConvertTo24(benchmark::State& state, int bitCount, std::uint32_t compression) {
  TBitmap source;
  LoadPicture(source, bitCount, compression);
  for (auto _ : state) {
    TBitmap result;
    result.Assign(&source);
    result.SetPixelLayout(TPixelLayout::pl24Bit);
    benchmark::DoNotOptimize(result.Image().SectionHandle());
  }
  state.SetBytesProcessed(state.iterations() * kPictureBytes);
}

void BM_ConvertTo24From8Bit(benchmark::State& state) { ConvertTo24(state, 8, BI_RGB); }
void BM_ConvertTo24From16Bit(benchmark::State& state) { ConvertTo24(state, 16, BI_BITFIELDS); }
void BM_ConvertTo24From32Bit(benchmark::State& state) { ConvertTo24(state, 32, BI_RGB); }

BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AnalysisCondition)->DenseRange(0, 5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_VisionModel)
    ->DenseRange(0, static_cast<int>(kVisionTypeNames.size()) - 1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConvertTo24From8Bit)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConvertTo24From16Bit)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConvertTo24From32Bit)->Unit(benchmark::kMillisecond);

// The console table, then every benchmark's bytes per second as a share of the memcpy's.
class TRatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      // With repetitions the median stands for the benchmark; without, its one run.
      const bool aggregate = run.run_type == Run::RT_Aggregate;
      if (aggregate && run.aggregate_name != "median") continue;
      const auto rate = run.counters.find("bytes_per_second");
      if (rate == run.counters.end()) continue;
      const std::string name = run.run_name.str();
      if (aggregate || Medians_.count(name) == 0) Rates_[name] = rate->second.value;
      if (aggregate) Medians_.insert(name);
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    const auto memcpy = Rates_.find("BM_Memcpy");
    if (memcpy == Rates_.end() || memcpy->second <= 0) return;
    std::printf("\n%-36s %10s %8s\n", "Benchmark", "GB/s", "memcpy");
    for (const auto& [name, rate] : Rates_) {
      std::printf("%-36s %10.2f %7.0f%%\n", name.c_str(), rate / 1e9, 100.0 * rate / memcpy->second);
    }
  }

 private:
  std::map<std::string, double> Rates_;
  std::set<std::string> Medians_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  TRatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
