// TSpiModule: one opened plug-in module as the program sees it, with one operation per entry
// point. TSPI and TInSPI talk only to this interface. Two kinds stand behind it: the module loaded
// into this process with its entry points called under the guard (local_spi_module.h; what the
// plug-in helper runs), and a module loaded in the plug-in helper and called by request
// (remote_spi_module.h; what the programs run).
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "spi_abi.h"

// The entry points a module may export, in the order of their bits in TSpiModule::Exports.
enum class TSpiEntry : std::uint32_t {
  seGetPluginInfo,
  seIsSupported,
  seGetPictureInfo,
  seGetPicture,
  seGetPreview,
};

// The entry point's exported name.
const char* SpiEntryName(TSpiEntry entry);

// The blocks of a decoded picture, readable while the object lives: the bitmap information
// block and the pixel rows. Who holds their memory depends on the module: the caller's own
// blocks (locked until the object ends, then freed), or the memory the plug-in helper handed
// over, read where it lies. The sizes are those of the blocks, checked; their contents are the
// plug-in's and are read as a file's would be.
class TSpiPicture {
 public:
  virtual ~TSpiPicture() = default;
  std::span<const std::uint8_t> Info;
  std::span<const std::uint8_t> Bits;
};

class TSpiModule {
 public:
  virtual ~TSpiModule() = default;

  // The module's full path as the system reports it; empty when it reports none.
  virtual const std::string& FileName() const = 0;
  // The system's handle of the loaded module, as a number (in the helper's process for a module
  // loaded there); never 0.
  virtual std::uintptr_t Handle() const = 0;
  // Whether the module exports `entry`.
  virtual bool Exports(TSpiEntry entry) const = 0;

  // Each calls the entry point of the same name with these arguments and returns its result
  // unchanged; the entry point must be exported. `name` (the module's file name for messages)
  // names the plug-in in failures: a processor fault inside the call raises ESPIFault "%s:Susie
  // Pluginの%sで例外 %s が発生しました"; a helper that dies or does not answer in time raises
  // ESPIFault "%s:Susie Pluginの%s: %s" with the cause. After a failure, blocks that the call had
  // stored are freed and the out-parameters hold what they held before.
  virtual std::int32_t GetPluginInfo(std::int32_t infoNo, char* buffer,
                                     std::int32_t bufferLength) = 0;
  // `dw` is the address of at least 2048 bytes of the picture's head (or 0).
  virtual std::int32_t IsSupported(const char* fileName, std::uintptr_t dw) = 0;
  // `buffer` holds `length` bytes of the picture, and at least 2048 readable bytes.
  virtual std::int32_t GetPictureInfo(const void* buffer, std::int32_t length, std::int32_t flag,
                                      TPictureInfo& info) = 0;
  // GetPicture or GetPreview (`entry`). On success the caller owns both blocks (SpiLocalFree).
  virtual std::int32_t GetPicture(TSpiEntry entry, const void* buffer, std::int32_t length,
                                  std::int32_t flag, TSpiHandle& hBInfo, TSpiHandle& hBm,
                                  TSpiProgressCallback progress, std::intptr_t lData) = 0;
  // GetPicture or GetPreview as above, the blocks kept as they arrived rather than copied into
  // blocks of the caller's: `picture` is set on success when both blocks could be read, and
  // left empty otherwise (no picture). Failures as above.
  virtual std::int32_t GetPictureBlocks(TSpiEntry entry, const void* buffer, std::int32_t length,
                                        std::int32_t flag, std::unique_ptr<TSpiPicture>& picture,
                                        TSpiProgressCallback progress, std::intptr_t lData);
};

// How modules are opened: loads the module at `fileName` (UTF-8) or fails with
// ESPIFOpenErrorSPI "%s:Susie Pluginがロードできませんでした" (the path given), also when it
// faults while it loads.
using TSpiModuleOpener = std::unique_ptr<TSpiModule> (*)(const std::string& fileName);

// Opens a module the way chosen with SetSpiModuleOpener: in this process until a program
// chooses otherwise. Both programs choose the plug-in helper at their start (UsePluginHost).
std::unique_ptr<TSpiModule> OpenSpiModule(const std::string& fileName);
void SetSpiModuleOpener(TSpiModuleOpener opener);
TSpiModuleOpener SpiModuleOpener();
