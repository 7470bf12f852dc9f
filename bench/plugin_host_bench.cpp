// What running plug-ins in the helper costs, in one program that can do either:
//   plugin_host_bench cli local|helper HELPER -- CLI-ARGUMENTS...
//     runs tintsight-cli's work in this process with the plug-ins in this process (local, as
//     before the helper) or in the helper at HELPER, and prints the wall time in milliseconds, this
//     process's peak resident memory and the helper's, in KiB;
//   plugin_host_bench start HELPER PLUGIN ROUNDS
//     starts a helper, opens PLUGIN in it and asks IsSupported once, ROUNDS times, and prints the
//     median of those rounds and the median of ROUNDS IsSupported round trips on one helper, in
//     microseconds.
// bench/plugin_host_bench.sh runs both, natively and under Wine.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/resource.h>
#else
#include <windows.h>
#include <psapi.h>
#endif

#include "cli/cli.h"
#include "plugins/local_spi_module.h"
#include "plugins/plugin_host_link.h"
#include "plugins/remote_spi_module.h"

namespace {

using TClock = std::chrono::steady_clock;

double Micros(TClock::duration duration) {
  return std::chrono::duration<double, std::micro>(duration).count();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}

// Peak resident memory of this process and of its ended children, in KiB.
void PeakMemory(long& self, long& children) {
#ifndef _WIN32
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  self = usage.ru_maxrss;
  ::getrusage(RUSAGE_CHILDREN, &usage);
  children = usage.ru_maxrss;
#else
  PROCESS_MEMORY_COUNTERS counters{};
  ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters);
  self = static_cast<long>(counters.PeakWorkingSetSize / 1024);
  children = 0;
#endif
}

int Cli(const std::string& mode, const std::string& helper, std::vector<std::string> arguments) {
  if (mode == "helper") {
    SetPluginHostPath(helper);
    UsePluginHost();
  }
  const TClock::time_point start = TClock::now();
  const int status = RunCli(arguments, std::cout, std::cerr);
  // Counted with the helper's end: a program ends its helper when it ends.
  EndPluginHosts();
  const double wall = Micros(TClock::now() - start) / 1000;
  long self = 0;
  long children = 0;
  PeakMemory(self, children);
  std::printf("%.1f %ld %ld\n", wall, self, children);
  return status;
}

int Start(const std::string& helper, const std::string& plugin, int rounds) {
  std::vector<char> head(2048, 0);
  const auto dw = reinterpret_cast<std::uintptr_t>(head.data());
  std::vector<double> starts;
  for (int i = 0; i < rounds; ++i) {
    const TClock::time_point start = TClock::now();
    {
      TPluginHostLink link(helper);
      TRemoteSpiModule module(link, plugin);
      module.IsSupported("x.png", dw);
    }
    starts.push_back(Micros(TClock::now() - start));
  }
  std::vector<double> trips;
  TPluginHostLink link(helper);
  TRemoteSpiModule module(link, plugin);
  for (int i = 0; i < rounds; ++i) {
    const TClock::time_point start = TClock::now();
    module.IsSupported("x.png", dw);
    trips.push_back(Micros(TClock::now() - start));
  }
  std::printf("start+open+IsSupported %.0f us, IsSupported round trip %.1f us\n", Median(starts),
              Median(trips));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  if (arguments.size() >= 4 && arguments[0] == "cli" && arguments[3] == "--") {
    return Cli(arguments[1], arguments[2],
               std::vector<std::string>(arguments.begin() + 4, arguments.end()));
  }
  if (arguments.size() == 4 && arguments[0] == "start") {
    return Start(arguments[1], arguments[2], std::stoi(arguments[3]));
  }
  std::fprintf(stderr, "usage: plugin_host_bench cli local|helper HELPER -- ARGS... | start HELPER PLUGIN ROUNDS\n");
  return 2;
}
