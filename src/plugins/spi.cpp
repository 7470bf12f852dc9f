#include "plugins/spi.h"

#include <cstdint>
#include <cstring>

#include "platform/text.h"
#include "plugins/plugin_guard.h"
#include "plugins/spi_exceptions.h"
#include "plugins/spi_messages.h"

namespace {

// Every text a module describes itself with arrives in a buffer of this size, offered as one
// byte smaller, so that the text always ends inside it.
constexpr std::int32_t kInfoBufferSize = 256;
constexpr std::int32_t kInfoBufferLength = kInfoBufferSize - 1;

// Loads the module under the guard: its initialisation (DllMain, constructors) is its code. A
// fault there counts as the module not loading.
platform::Module LoadModule(const std::string& fileName) {
  platform::Module module;
  platform::TFault fault;
  struct TLoad {
    const std::string& FileName;
    platform::Module& Module;
  } load{fileName, module};
  const bool returned = platform::CallGuarded(
      [](void* context) {
        auto& what = *static_cast<TLoad*>(context);
        what.Module = platform::Module::Load(what.FileName);
      },
      &load, fault);
  if (!returned || !module.IsLoaded()) {
    throw ESPIFOpenErrorSPI(spi_messages::SSPIFOpenError, {fileName});
  }
  return module;
}

}  // namespace

TSPI::TSPI(const std::string& fileName) : Module_(LoadModule(fileName)) {
  FileName_ = Module_.FileName();
  if (FileName_.empty()) FileName_ = fileName;

  GetPluginInfo_ = EntryPointAs<TSpiGetPluginInfo>(FindEntryPoint("GetPluginInfo"));
  if (GetPluginInfo_ == nullptr) RaiseInvalidSPI();

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

TSPI::~TSPI() {
  // Unloading runs the module's own code too. A fault there cannot be reported from here; the
  // module is gone from our side either way.
  platform::TFault fault;
  platform::CallGuarded(
      [](void* module) { static_cast<platform::Module*>(module)->Unload(); }, &Module_, fault);
}

std::int32_t TSPI::GetPluginInfo(std::int32_t infoNo, char* buffer, std::int32_t bufferLength) {
  if (GetPluginInfo_ == nullptr) RaiseInvalidAPI("GetPluginInfo");
  std::int32_t result = 0;
  CallPlugin(FileName_, "GetPluginInfo",
             [&] { result = GetPluginInfo_(infoNo, buffer, bufferLength); });
  return result;
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
