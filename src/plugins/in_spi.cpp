#include "plugins/in_spi.h"

#include "plugins/plugin_guard.h"
#include "plugins/spi_exceptions.h"

namespace {

const char* AsBytes(const void* buffer) { return static_cast<const char*>(buffer); }

// A block that a faulting call stored in an out-parameter before the fault was handed over to
// us: it is freed, and the out-parameter gets back what it held before the call.
void FreeHandedOver(TSpiHandle& handle, TSpiHandle before) {
  if (handle != before && handle != nullptr) SpiLocalFree(handle);
  handle = before;
}

}  // namespace

TInSPI::TInSPI(const std::string& fileName) : TSPI(fileName) {
  // Looked up in this order; the first one missing refuses the module.
  IsSupported_ = EntryPointAs<TSpiIsSupported>(FindEntryPoint("IsSupported"));
  if (IsSupported_ == nullptr) RaiseInvalidSPI();
  GetPictureInfo_ = EntryPointAs<TSpiGetPictureInfo>(FindEntryPoint("GetPictureInfo"));
  if (GetPictureInfo_ == nullptr) RaiseInvalidSPI();
  GetPicture_ = EntryPointAs<TSpiGetPicture>(FindEntryPoint("GetPicture"));
  if (GetPicture_ == nullptr) RaiseInvalidSPI();
  GetPreview_ = EntryPointAs<TSpiGetPreview>(FindEntryPoint("GetPreview"));
}

TInSPI::~TInSPI() = default;

std::int32_t TInSPI::IsSupported(const char* fileName, std::uintptr_t dw) {
  if (IsSupported_ == nullptr) RaiseInvalidAPI("IsSupported");
  std::int32_t result = 0;
  CallPlugin(FileName(), "IsSupported", [&] { result = IsSupported_(fileName, dw); });
  return result;
}

std::int32_t TInSPI::GetPictureInfo(const void* buffer, std::int32_t length, std::int32_t flag,
                                    TPictureInfo& info) {
  if (GetPictureInfo_ == nullptr) RaiseInvalidAPI("GetPictureInfo");
  const TSpiHandle textBefore = info.hInfo;
  std::int32_t result = 0;
  try {
    CallPlugin(FileName(), "GetPictureInfo", [&] {
      result = GetPictureInfo_(AsBytes(buffer), length, static_cast<std::uint32_t>(flag), &info);
    });
  } catch (const ESPIFault&) {
    // The record is packed: its handle is copied out rather than bound to a reference.
    TSpiHandle text = info.hInfo;
    FreeHandedOver(text, textBefore);
    info.hInfo = text;
    throw;
  }
  return result;
}

std::int32_t TInSPI::GetPicture(const void* buffer, std::int32_t length, std::int32_t flag,
                                TSpiHandle& hBInfo, TSpiHandle& hBm,
                                TSpiProgressCallback progress, std::intptr_t lData) {
  if (GetPicture_ == nullptr) RaiseInvalidAPI("GetPicture");
  return CallPictureEntry("GetPicture", GetPicture_, buffer, length, flag, hBInfo, hBm, progress,
                          lData);
}

std::int32_t TInSPI::GetPreview(const void* buffer, std::int32_t length, std::int32_t flag,
                                TSpiHandle& hBInfo, TSpiHandle& hBm,
                                TSpiProgressCallback progress, std::intptr_t lData) {
  if (GetPreview_ == nullptr) RaiseInvalidAPI("GetPreview");
  return CallPictureEntry("GetPreview", GetPreview_, buffer, length, flag, hBInfo, hBm, progress,
                          lData);
}

std::int32_t TInSPI::CallPictureEntry(const char* name, TSpiGetPicture entry, const void* buffer,
                                      std::int32_t length, std::int32_t flag, TSpiHandle& hBInfo,
                                      TSpiHandle& hBm, TSpiProgressCallback progress,
                                      std::intptr_t lData) {
  const TSpiHandle infoBefore = hBInfo;
  const TSpiHandle bitsBefore = hBm;
  std::int32_t result = 0;
  try {
    CallPlugin(FileName(), name, [&] {
      result = entry(AsBytes(buffer), length, static_cast<std::uint32_t>(flag), &hBInfo, &hBm,
                     progress, lData);
    });
  } catch (const ESPIFault&) {
    FreeHandedOver(hBInfo, infoBefore);
    FreeHandedOver(hBm, bitsBefore);
    throw;
  }
  return result;
}
