#include "plugins/in_spi.h"

TInSPI::TInSPI(const std::string& fileName) : TSPI(fileName) {
  // Looked up in this order; the first one missing refuses the module.
  for (const TSpiEntry entry :
       {TSpiEntry::seIsSupported, TSpiEntry::seGetPictureInfo, TSpiEntry::seGetPicture}) {
    if (!Module().Exports(entry)) RaiseInvalidSPI();
  }
}

TInSPI::~TInSPI() = default;

void TInSPI::RequireEntry(TSpiEntry entry) const {
  if (!Module().Exports(entry)) RaiseInvalidAPI(SpiEntryName(entry));
}

std::int32_t TInSPI::IsSupported(const char* fileName, std::uintptr_t dw) {
  RequireEntry(TSpiEntry::seIsSupported);
  return Module().IsSupported(fileName, dw);
}

std::int32_t TInSPI::GetPictureInfo(const void* buffer, std::int32_t length, std::int32_t flag,
                                    TPictureInfo& info) {
  RequireEntry(TSpiEntry::seGetPictureInfo);
  return Module().GetPictureInfo(buffer, length, flag, info);
}

std::int32_t TInSPI::GetPicture(const void* buffer, std::int32_t length, std::int32_t flag,
                                TSpiHandle& hBInfo, TSpiHandle& hBm,
                                TSpiProgressCallback progress, std::intptr_t lData) {
  RequireEntry(TSpiEntry::seGetPicture);
  return Module().GetPicture(TSpiEntry::seGetPicture, buffer, length, flag, hBInfo, hBm, progress,
                             lData);
}

std::int32_t TInSPI::GetPictureBlocks(const void* buffer, std::int32_t length, std::int32_t flag,
                                      std::unique_ptr<TSpiPicture>& picture,
                                      TSpiProgressCallback progress, std::intptr_t lData) {
  RequireEntry(TSpiEntry::seGetPicture);
  return Module().GetPictureBlocks(TSpiEntry::seGetPicture, buffer, length, flag, picture,
                                   progress, lData);
}

std::int32_t TInSPI::GetPreview(const void* buffer, std::int32_t length, std::int32_t flag,
                                TSpiHandle& hBInfo, TSpiHandle& hBm,
                                TSpiProgressCallback progress, std::intptr_t lData) {
  RequireEntry(TSpiEntry::seGetPreview);
  return Module().GetPicture(TSpiEntry::seGetPreview, buffer, length, flag, hBInfo, hBm, progress,
                             lData);
}
