#include "plugins/spi.h"

#include <cstdint>
#include <cstring>

#include "platform/text.h"
#include "plugins/spi_exceptions.h"
#include "plugins/spi_messages.h"

namespace {

// Every text a module describes itself with arrives in a buffer of this size, offered as one
// byte smaller, so that the text always ends inside it.
constexpr std::int32_t kInfoBufferSize = 256;
constexpr std::int32_t kInfoBufferLength = kInfoBufferSize - 1;

}  // namespace

TSPI::TSPI(const std::string& fileName) : Module_(OpenSpiModule(fileName)) {
  FileName_ = Module_->FileName();
  if (FileName_.empty()) FileName_ = fileName;

  if (!Module_->Exports(TSpiEntry::seGetPluginInfo)) RaiseInvalidSPI();

  ReadInfo(0, APIVersion_);
  ReadInfo(1, PluginName_);
  // Filters come in pairs with their descriptions; the first pair that is not complete ends the
  // list, so a filter without a description is dropped. The numbers run on for as long as the
  // module answers, up to the last pair that the 32-bit numbers can name.
  std::string filter;
  std::string description;
  for (std::int32_t n = 2; n < INT32_MAX && ReadInfo(n, filter) && ReadInfo(n + 1, description);
       n += 2) {
    ExtNames_.push_back(std::move(filter));
    FileTypes_.push_back(std::move(description));
  }
}

TSPI::~TSPI() = default;

std::int32_t TSPI::GetPluginInfo(std::int32_t infoNo, char* buffer, std::int32_t bufferLength) {
  if (!Module_->Exports(TSpiEntry::seGetPluginInfo)) RaiseInvalidAPI("GetPluginInfo");
  return Module_->GetPluginInfo(infoNo, buffer, bufferLength);
}

bool TSPI::ReadInfo(std::int32_t infoNo, std::string& text) {
  char buffer[kInfoBufferSize] = {};
  if (GetPluginInfo(infoNo, buffer, kInfoBufferLength) <= 0) return false;
  text = platform::AnsiToUtf8(std::string_view(buffer, ::strnlen(buffer, kInfoBufferLength)));
  return true;
}

void TSPI::RaiseInvalidSPI() const { throw ESPIInvalidSPI(spi_messages::SSPIInvalid, {FileName_}); }

void TSPI::RaiseInvalidAPI(const char* name) const {
  throw ESPIInvalidAPI(spi_messages::SSPIInvalidAPI, {name, FileName_});
}
