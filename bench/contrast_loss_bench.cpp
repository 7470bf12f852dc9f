// The contrast-loss map against the simulation it is made from, on a 12-megapixel picture, one
// core: --contrast-loss --simulate deuteranopia does the simulation and, around it, the Lab of
// the original and simulated rows, the comparisons of neighbours and the drawing. Target: at most
// 8 x the simulation's time. Two pictures: photo-like (smooth gradients, hills, sensor noise of a
// few levels, the usual case) and random pixels (every neighbour a visible boundary, the worst
// case). After the table, the ratio of the medians of CPU time per picture: the time the one
// thread spends, which a machine busy with other work skews less than wall time.
//   build/native/bench/contrast_loss_bench --benchmark_repetitions=5
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "image/bitmap.h"
#include "image/colour/contrast_loss.h"
#include "image/colour/row_operation.h"
#include "image/colour/vision_model.h"
#include "image/raster/raster_bitmap.h"

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

std::uint32_t Next(std::uint32_t& state) {
  state ^= state << 13;
  state ^= state >> 17;
  state ^= state << 5;
  return state;
}

std::uint8_t Clamp(double v) { return static_cast<std::uint8_t>(std::fmin(255, std::fmax(0, v))); }

// Blue sky lightening towards a sun, grey mountains and green hills with wavy edges, and noise
// of up to 3 levels per channel; or random pixels.
void Fill(TBitmap& bitmap, bool photo) {
  std::uint32_t state = 0x9E3779B9u;
  for (int y = 0; y < kHeight; ++y) {
    std::uint8_t* row = bitmap.RowData(y);
    for (int x = 0; x < kWidth; ++x, row += 3) {
      if (!photo) {
        const std::uint32_t r = Next(state);
        row[0] = static_cast<std::uint8_t>(r);
        row[1] = static_cast<std::uint8_t>(r >> 8);
        row[2] = static_cast<std::uint8_t>(r >> 16);
        continue;
      }
      const double u = double(x) / kWidth;
      const double v = double(y) / kHeight;
      const double mountain = 0.45 + 0.08 * std::sin(u * 9 + 1) + 0.03 * std::sin(u * 31);
      const double hill = 0.6 + 0.05 * std::sin(u * 6 + 2) + 0.01 * std::sin(u * 53);
      const double sun = std::hypot(u - 0.7, v - 0.25);
      double r, g, b;
      if (v > hill) {
        r = 60 + 40 * (v - hill), g = 140 - 50 * (v - hill), b = 40;
      } else if (v > mountain) {
        r = 110 - 30 * (v - mountain), g = 120 - 20 * (v - mountain), b = 125;
      } else if (sun < 0.06) {
        r = 255, g = 230, b = 140;
      } else {
        const double glow = std::fmax(0, 1 - sun * 2.5);
        r = 60 + 150 * glow + 60 * v, g = 100 + 120 * glow + 60 * v, b = 200 + 40 * glow;
      }
      const std::uint32_t n = Next(state);
      row[0] = Clamp(b + int(n % 7) - 3);
      row[1] = Clamp(g + int((n >> 8) % 7) - 3);
      row[2] = Clamp(r + int((n >> 16) % 7) - 3);
    }
  }
}

struct TPictures {
  TBitmap Source[2];  // photo-like, random
  TPictures() {
    for (int i = 0; i < 2; ++i) {
      TBitmapInfoHeader header{};
      header.biSize = sizeof header;
      header.biWidth = kWidth;
      header.biHeight = kHeight;
      header.biPlanes = 1;
      header.biBitCount = 24;
      header.biCompression = BI_RGB;
      Source[i].ImageLoaded(TRasterBitmap::CreateSection(header, nullptr, {}), nullptr, false);
      Fill(Source[i], i == 0);
    }
  }
};

TPictures& Pictures() {
  static TPictures pictures;
  return pictures;
}

const char* kPictureNames[] = {"photo-like", "random"};

// A fresh copy of the picture before each run, outside the timing.
template <typename TOperation>
void Measure(benchmark::State& state, TOperation operation) {
  const auto picture = static_cast<std::size_t>(state.range(0));
  state.SetLabel(kPictureNames[picture]);
  TBitmap& source = Pictures().Source[picture];
  for (auto _ : state) {
    state.PauseTiming();
    TBitmap work;
    work.Assign(&source);
    benchmark::DoNotOptimize(work.RowData(0));  // its own pixels, copied here
    state.ResumeTiming();
    operation(work);
    benchmark::ClobberMemory();
  }
  state.counters["megapixels"] = kWidth * kHeight / 1e6;
}

void BM_Simulate(benchmark::State& state) {
  const TRowOperation model = VisionModelOperation(TVisionType::vtDeuteranopia);
  Measure(state, [&](TBitmap& work) { ApplyRowOperation(work, model); });
}

void BM_ContrastLoss(benchmark::State& state) {
  const TRowOperation model = VisionModelOperation(TVisionType::vtDeuteranopia);
  Measure(state, [&](TBitmap& work) {
    benchmark::DoNotOptimize(ApplyContrastLossMap(work, model, {}).Lost);
  });
}

BENCHMARK(BM_Simulate)->DenseRange(0, 1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ContrastLoss)->DenseRange(0, 1)->Unit(benchmark::kMillisecond)->UseRealTime();

// The console table, then the contrast-loss map's CPU time as a multiple of the simulation's, per
// picture (medians where repetitions were asked for).
class TRatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      const bool aggregate = run.run_type == Run::RT_Aggregate;
      if (aggregate && run.aggregate_name != "median") continue;
      // The name without "/real_time": the function and its argument.
      const std::string name = run.run_name.function_name + "/" + run.run_name.args;
      if (aggregate || Times_.count(name) == 0 || !Medians_[name]) {
        Times_[name] = run.GetAdjustedCPUTime();
        Medians_[name] = aggregate;
      }
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    for (int picture = 0; picture < 2; ++picture) {
      std::string suffix = "/";
      suffix += std::to_string(picture);
      const auto simulate = Times_.find("BM_Simulate" + suffix);
      const auto map = Times_.find("BM_ContrastLoss" + suffix);
      if (simulate == Times_.end() || map == Times_.end()) continue;
      std::printf("%-11s CPU: simulate %8.1f ms, contrast loss %8.1f ms: %6.2f x (target 8 x)\n",
                  kPictureNames[picture], simulate->second, map->second,
                  map->second / simulate->second);
    }
  }

 private:
  std::map<std::string, double> Times_;
  std::map<std::string, bool> Medians_;
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
