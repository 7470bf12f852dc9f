// What the guard around every call into a plug-in costs: IsSupported of the test plug-in called
// through its bare entry point (plain) and through TInSPI (guarded), in the same run, and a call
// that faults and is turned into ESPIFault.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/module.h"
#include "plugins/in_spi.h"
#include "plugins/spi_exceptions.h"

namespace {

// A picture head that the test plug-in takes.
std::vector<char>& Head() {
  static std::vector<char> head = [] {
    std::vector<char> bytes(2048, 0);
    std::memcpy(bytes.data(), "TSTP\1\0\1\0", 8);
    return bytes;
  }();
  return head;
}

std::uintptr_t HeadAddress() { return reinterpret_cast<std::uintptr_t>(Head().data()); }

void BM_PlainCall(benchmark::State& state) {
  const platform::Module module =
      platform::Module::Load(std::string(TS_TEST_PLUGIN_DIR) + "/tp_in.spi");
  const auto entry = reinterpret_cast<TSpiIsSupported>(module.EntryPoint("IsSupported"));
  for (auto _ : state) benchmark::DoNotOptimize(entry("x.tsp", HeadAddress()));
}

void BM_GuardedCall(benchmark::State& state) {
  TInSPI spi(std::string(TS_TEST_PLUGIN_DIR) + "/tp_in.spi");
  for (auto _ : state) benchmark::DoNotOptimize(spi.IsSupported("x.tsp", HeadAddress()));
}

void BM_GuardedCallThatFaults(benchmark::State& state) {
  TInSPI spi(std::string(TS_TEST_PLUGIN_DIR) + "/tp_in_faulty.spi");
  ::setenv("TP_FAULT", "IsSupported:null", 1);
  for (auto _ : state) {
    try {
      spi.IsSupported("x.tsp", HeadAddress());
    } catch (const ESPIFault& fault) {
      benchmark::DoNotOptimize(fault.Message().size());
    }
  }
  ::unsetenv("TP_FAULT");
}

}  // namespace

BENCHMARK(BM_PlainCall);
BENCHMARK(BM_GuardedCall);
BENCHMARK(BM_GuardedCallThatFaults);
BENCHMARK_MAIN();
