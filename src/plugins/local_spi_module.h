// TLocalSpiModule: a plug-in module loaded into this process, its entry points called under the
// guard (a processor fault inside one costs that call). The plug-in helper serves every request
// with one of these; tests of the plug-in classes use them in-process.
#pragma once

#include <memory>
#include <string>

#include "platform/low_memory.h"
#include "platform/module.h"
#include "plugins/spi_module.h"

class TLocalSpiModule : public TSpiModule {
 public:
  // Loads the module under the guard (its initialisation is its code). Fails with
  // ESPIFOpenErrorSPI when it does not load or faults while loading.
  explicit TLocalSpiModule(const std::string& fileName);
  // Unloads it under the guard; a fault there is ignored.
  ~TLocalSpiModule() override;

  // The opener for SetSpiModuleOpener.
  static std::unique_ptr<TSpiModule> Open(const std::string& fileName);

  const std::string& FileName() const override { return FileName_; }
  std::uintptr_t Handle() const override;
  bool Exports(TSpiEntry entry) const override;

  std::int32_t GetPluginInfo(std::int32_t infoNo, char* buffer, std::int32_t bufferLength) override;
  std::int32_t IsSupported(const char* fileName, std::uintptr_t dw) override;
  std::int32_t GetPictureInfo(const void* buffer, std::int32_t length, std::int32_t flag,
                              TPictureInfo& info) override;
  std::int32_t GetPicture(TSpiEntry entry, const void* buffer, std::int32_t length,
                          std::int32_t flag, TSpiHandle& hBInfo, TSpiHandle& hBm,
                          TSpiProgressCallback progress, std::intptr_t lData) override;

 private:
  // The name that failures carry: the reported file name, or the path given.
  const std::string& Name() const { return FileName_.empty() ? Path_ : FileName_; }
  // Makes Scratch_ when it is not made yet; false when there is no room for it.
  bool HasScratch();
  // GetPictureInfo of a 64-bit Windows plug-in: a zeroed wide record, read back with
  // WideInfoRecordHandle (wide_info_record.h).
  std::int32_t GetWidePictureInfo(const void* buffer, std::int32_t length, std::int32_t flag,
                                  TPictureInfo& info);

  platform::Module Module_;
  std::string Path_;
  std::string FileName_;
  TSpiGetPluginInfo GetPluginInfo_ = nullptr;
  TSpiIsSupported IsSupported_ = nullptr;
  TSpiGetPictureInfo GetPictureInfo_ = nullptr;
  TSpiGetPicture GetPicture_ = nullptr;
  TSpiGetPreview GetPreview_ = nullptr;
  // 64-bit Windows: the picture-information record and GetPicture's two handles, below 4 GB for
  // plug-ins that keep addresses in 32 bits (platform/low_memory.h); made at the first call.
  platform::LowMemory Scratch_;
};
