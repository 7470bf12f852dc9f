#include "plugins/plugin_guard.h"

#include "plugins/spi_exceptions.h"
#include "plugins/spi_messages.h"

namespace {

thread_local std::string lastFaultText;

}  // namespace

const std::string& LastPluginFaultText() { return lastFaultText; }

void RaisePluginFault(const std::string& fileName, const char* entryPoint,
                      const platform::TFault& fault) {
  lastFaultText = platform::FaultCodeText(fault);
  throw ESPIFault(spi_messages::SSPIFault, {fileName, entryPoint, lastFaultText});
}
