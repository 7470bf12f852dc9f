#include "plugins/in_spi.h"

namespace {

const char* AsBytes(const void* buffer) { return static_cast<const char*>(buffer); }

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
  return IsSupported_(fileName, dw);
}

std::int32_t TInSPI::GetPictureInfo(const void* buffer, std::int32_t length, std::int32_t flag,
                                    TPictureInfo& info) {
  if (GetPictureInfo_ == nullptr) RaiseInvalidAPI("GetPictureInfo");
  return GetPictureInfo_(AsBytes(buffer), length, static_cast<std::uint32_t>(flag), &info);
}

std::int32_t TInSPI::GetPicture(const void* buffer, std::int32_t length, std::int32_t flag,
                                TSpiHandle& hBInfo, TSpiHandle& hBm,
                                TSpiProgressCallback progress, std::intptr_t lData) {
  if (GetPicture_ == nullptr) RaiseInvalidAPI("GetPicture");
  return GetPicture_(AsBytes(buffer), length, static_cast<std::uint32_t>(flag), &hBInfo, &hBm,
                     progress, lData);
}

std::int32_t TInSPI::GetPreview(const void* buffer, std::int32_t length, std::int32_t flag,
                                TSpiHandle& hBInfo, TSpiHandle& hBm,
                                TSpiProgressCallback progress, std::intptr_t lData) {
  if (GetPreview_ == nullptr) RaiseInvalidAPI("GetPreview");
  return GetPreview_(AsBytes(buffer), length, static_cast<std::uint32_t>(flag), &hBInfo, &hBm,
                     progress, lData);
}
