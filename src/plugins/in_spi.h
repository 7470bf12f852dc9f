// TInSPI: an import plug-in (API version "00IN"), which decodes pictures.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "plugins/spi.h"

class TInSPI : public TSPI {
 public:
  TS_CLASS_NAME(TInSPI)

  // Opens the module as TSPI does, then binds IsSupported, GetPictureInfo and GetPicture, which
  // must be exported (else ESPIInvalidSPI "%s:認識できないSusie Pluginです", the module unloaded),
  // and GetPreview, which may be missing.
  explicit TInSPI(const std::string& fileName);
  ~TInSPI() override;

  // Each calls the module's entry point of the same name with the arguments unchanged and returns
  // its result unchanged; a failure code is no error here. A processor fault inside the entry
  // point raises ESPIFault "%s:Susie Pluginの%sで例外 %s が発生しました" (FileName, the entry point,
  // the fault's code), and so does the plug-in helper's death or silence past the time limit,
  // with "%s:Susie Pluginの%s: %s" and the cause (see TSpiModule); blocks that the call had stored in `info.hInfo`, `hBInfo` or `hBm` before
  // the fault are freed and the out-parameters hold what they held before. Texts are in the
  // module's code page; `dw`, `lData` and the handles are pointer-sized (32 bits on Windows). A
  // call of GetPreview on a module that does not export it fails with ESPIInvalidAPI
  // "%sは[%s]では使えないSusie Plugin APIです" ("GetPreview", FileName).
  std::int32_t IsSupported(const char* fileName, std::uintptr_t dw);
  std::int32_t GetPictureInfo(const void* buffer, std::int32_t length, std::int32_t flag,
                              TPictureInfo& info);
  // On success the module has stored a handle of the bitmap information block in `hBInfo` and of
  // the pixel rows in `hBm`; the caller then owns both (SpiLocalFree).
  std::int32_t GetPicture(const void* buffer, std::int32_t length, std::int32_t flag,
                          TSpiHandle& hBInfo, TSpiHandle& hBm, TSpiProgressCallback progress,
                          std::intptr_t lData);
  std::int32_t GetPreview(const void* buffer, std::int32_t length, std::int32_t flag,
                          TSpiHandle& hBInfo, TSpiHandle& hBm, TSpiProgressCallback progress,
                          std::intptr_t lData);

  // GetPicture with the blocks kept where they arrived (TSpiModule::GetPictureBlocks), so that
  // a picture from the plug-in helper is copied once, into the picture that reads it.
  std::int32_t GetPictureBlocks(const void* buffer, std::int32_t length, std::int32_t flag,
                                std::unique_ptr<TSpiPicture>& picture,
                                TSpiProgressCallback progress, std::intptr_t lData);

  // Whether the module exports GetPreview.
  bool HasPreview() const { return Module().Exports(TSpiEntry::seGetPreview); }

 private:
  // ESPIInvalidAPI unless the module exports `entry`.
  void RequireEntry(TSpiEntry entry) const;
};
