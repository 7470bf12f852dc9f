#include "plugins/spi_module.h"

#include "plugins/local_spi_module.h"

namespace {

TSpiModuleOpener opener = &TLocalSpiModule::Open;

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

std::unique_ptr<TSpiModule> OpenSpiModule(const std::string& fileName) { return opener(fileName); }

void SetSpiModuleOpener(TSpiModuleOpener newOpener) { opener = newOpener; }
