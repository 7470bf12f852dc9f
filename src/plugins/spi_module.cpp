#include "plugins/spi_module.h"

#include "plugins/local_spi_module.h"
#include "spi_block.h"

namespace {

TSpiModuleOpener opener = &TLocalSpiModule::Open;

// The two blocks a call returned, owned and locked until the picture ends; declared so that both
// are unlocked (header first) before either is freed (header first).
class TBlockPicture : public TSpiPicture {
 public:
  TBlockPicture(TSpiHandle info, TSpiHandle bits)
      : BitsBlock_(bits), InfoBlock_(info), BitsLock_(BitsBlock_), InfoLock_(InfoBlock_) {
    if (BitsLock_.Data() == nullptr || InfoLock_.Data() == nullptr) return;
    Info = std::span(static_cast<const std::uint8_t*>(InfoLock_.Data()), InfoBlock_.Size());
    Bits = std::span(static_cast<const std::uint8_t*>(BitsLock_.Data()), BitsBlock_.Size());
  }
  bool IsReadable() const { return Info.data() != nullptr; }

 private:
  TSpiBlock BitsBlock_;
  TSpiBlock InfoBlock_;
  TSpiBlockLock BitsLock_;
  TSpiBlockLock InfoLock_;
};

}  // namespace

const char* SpiEntryName(TSpiEntry entry) {
  switch (entry) {
    case TSpiEntry::seGetPluginInfo:
      return "GetPluginInfo";
    case TSpiEntry::seIsSupported:
      return "IsSupported";
    case TSpiEntry::seGetPictureInfo:
      return "GetPictureInfo";
    case TSpiEntry::seGetPicture:
      return "GetPicture";
    case TSpiEntry::seGetPreview:
      return "GetPreview";
  }
  return "";
}

std::int32_t TSpiModule::GetPictureBlocks(TSpiEntry entry, const void* buffer, std::int32_t length,
                                          std::int32_t flag, std::unique_ptr<TSpiPicture>& picture,
                                          TSpiProgressCallback progress, std::intptr_t lData) {
  TSpiHandle info = nullptr;
  TSpiHandle bits = nullptr;
  const std::int32_t result = GetPicture(entry, buffer, length, flag, info, bits, progress, lData);
  if (result != SPI_SUCCESS) return result;
  auto blocks = std::make_unique<TBlockPicture>(info, bits);
  // A block that does not lock yields no picture.
  if (blocks->IsReadable()) picture = std::move(blocks);
  return result;
}

std::unique_ptr<TSpiModule> OpenSpiModule(const std::string& fileName) { return opener(fileName); }

void SetSpiModuleOpener(TSpiModuleOpener newOpener) { opener = newOpener; }

TSpiModuleOpener SpiModuleOpener() { return opener; }
