// TRemoteSpiModule: a plug-in module loaded in the plug-in helper and called by request. The
// picture's bytes go to the helper in shared memory and the decoded blocks come back the same
// way; what the helper answers is checked before it is believed. When a new helper has started
// since the module was opened (the old one died or was killed), the module is loaded again
// before the next call.
#pragma once

#include <array>
#include <deque>
#include <memory>
#include <string>

#include "plugins/plugin_host_link.h"
#include "plugins/spi_module.h"

class TRemoteSpiModule : public TSpiModule {
 public:
  // Loads the module in `link`'s helper. Fails with ESPIFOpenErrorSPI when it does not load
  // there, faults or ends the helper while loading, and with ESPIHostStart when no helper starts.
  TRemoteSpiModule(TPluginHostLink& link, const std::string& fileName);
  // Unloads it in the helper, when that helper still runs; failures are ignored.
  ~TRemoteSpiModule() override;

  // The opener for SetSpiModuleOpener.
  static std::unique_ptr<TSpiModule> Open(const std::string& fileName);

  const std::string& FileName() const override { return FileName_; }
  std::uintptr_t Handle() const override { return static_cast<std::uintptr_t>(Handle_); }
  bool Exports(TSpiEntry entry) const override;

  std::int32_t GetPluginInfo(std::int32_t infoNo, char* buffer, std::int32_t bufferLength) override;
  std::int32_t IsSupported(const char* fileName, std::uintptr_t dw) override;
  std::int32_t GetPictureInfo(const void* buffer, std::int32_t length, std::int32_t flag,
                              TPictureInfo& info) override;
  std::int32_t GetPicture(TSpiEntry entry, const void* buffer, std::int32_t length,
                          std::int32_t flag, TSpiHandle& hBInfo, TSpiHandle& hBm,
                          TSpiProgressCallback progress, std::intptr_t lData) override;
  // The blocks are read in the memory the helper handed over, not copied.
  std::int32_t GetPictureBlocks(TSpiEntry entry, const void* buffer, std::int32_t length,
                                std::int32_t flag, std::unique_ptr<TSpiPicture>& picture,
                                TSpiProgressCallback progress, std::intptr_t lData) override;

 private:
  const std::string& Name() const { return FileName_.empty() ? Path_ : FileName_; }
  // Loads the module in the running helper (starting one if needed); the answer's status.
  host_protocol::TAnswerStatus Load();
  // A request for `entry` of this module, loaded again first in a new helper.
  TPluginHostAnswer Call(host_protocol::TRequest request, std::string_view text, TSpiEntry entry);
  // Ends the call with ESPIFault for `cause`, and the helper with it.
  [[noreturn]] void Broken(TSpiEntry entry, const std::string& cause) const;

  // What the helper's GetPluginInfo calls answered while it opened the module, in their order;
  // the first calls are answered from here while they ask the same (host_protocol.h, rkOpen).
  struct TDescribed {
    std::int32_t InfoNo;
    std::int32_t Result;
    std::array<char, host_protocol::kDescribedBytes> Buffer;
  };
  std::deque<TDescribed> Described_;

  TPluginHostLink& Link_;
  std::string Path_;
  std::string FileName_;
  std::uint64_t Handle_ = 0;
  std::uint32_t Exports_ = 0;
  std::uint32_t Module_ = 0;
  std::uint64_t Generation_ = 0;
};
