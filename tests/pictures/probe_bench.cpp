#include "probe_bench.h"

#include <cstring>
#include <filesystem>
#include <stdexcept>

#include "plugins/create_spi.h"

namespace fs = std::filesystem;

namespace probe_bench {

std::vector<std::string> Events;
std::vector<TProbeCall> Calls;

namespace {

void SPI_API RecordCall(const TProbeCall* call) {
  Calls.push_back(*call);
  Events.push_back(std::string(call->Name) + ":" + call->Entry);
}

void Fill(char* target, std::size_t size, const std::string& text) {
  if (text.size() >= size) throw std::invalid_argument("too long for the probe: " + text);
  std::memset(target, 0, size);
  std::memcpy(target, text.data(), text.size());
}

}  // namespace

void Note(const std::string& event) { Events.push_back(event); }

void ClearLog() {
  Events.clear();
  Calls.clear();
}

std::vector<TProbeCall> CallsOf(const std::string& entry) {
  std::vector<TProbeCall> result;
  for (const TProbeCall& call : Calls) {
    if (entry == call.Entry) result.push_back(call);
  }
  return result;
}

TProbeConfig AcceptingProbe() {
  TProbeConfig config{};
  config.Mode = pmAlways;
  config.PictureInfoResult = SPI_SUCCESS;
  config.PictureResult = SPI_SUCCESS;
  config.Width = 1;
  config.Height = 1;
  config.ColorDepth = 24;
  config.InfoTextBlockSize = 8;
  std::memcpy(config.InfoText, "probe", 6);
  const std::uint8_t header[40] = {40, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 24, 0};
  std::memcpy(config.Header, header, sizeof header);
  config.HeaderBlockSize = 40;
  config.Bits[0] = 10;
  config.Bits[1] = 20;
  config.Bits[2] = 30;
  config.BitsBlockSize = 4;
  return config;
}

TProbeBench::TProbeBench() : Spis_(std::make_unique<TSPIs>(nullptr)) { ClearLog(); }

TProbeBench::~TProbeBench() {
  // Plug-in objects first, then the bench's own loads, then the directory.
  Spis_.reset();
  Modules_.clear();
}

void TProbeBench::AddProbe(const std::string& name, TProbeConfig config) {
  const fs::path path = Dir_.Path() / (name + ".spi");
  fs::copy_file(fs::path(TS_PROBE_PLUGIN), path);
  platform::Module module = platform::Module::Load(plugin_test::Text(path));
  if (!module.IsLoaded()) throw std::runtime_error("cannot load " + path.string());
  Fill(config.Name, sizeof config.Name, name);
  config.Hook = RecordCall;
  reinterpret_cast<TProbeConfigure>(module.EntryPoint("ProbeConfigure"))(&config);
  Modules_.push_back(std::move(module));
  std::unique_ptr<TSPI> spi = CreateSPI(plugin_test::Text(path));
  if (!spi) throw std::runtime_error("the probe did not open as a plug-in");
  Spis_->Add(std::move(spi));
}

void TProbeBench::AddBundledPlugin() {
  const fs::path path = Dir_.Path() / "tsimage.spi";
  fs::copy_file(fs::path(TS_TSIMAGE_PLUGIN), path);
  std::unique_ptr<TSPI> spi = CreateSPI(plugin_test::Text(path));
  if (!spi) throw std::runtime_error("the bundled plug-in did not open");
  Spis_->Add(std::move(spi));
}

int TProbeBench::LiveBlocks() const {
  int live = 0;
  for (const platform::Module& module : Modules_) {
    const std::int32_t count =
        reinterpret_cast<TProbeLiveBlocks>(module.EntryPoint("ProbeLiveBlocks"))();
    if (count < 0) return -1;
    live += count;
  }
  return live;
}

}  // namespace probe_bench
