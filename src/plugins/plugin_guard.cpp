#include "plugins/plugin_guard.h"

#include "plugins/spi_exceptions.h"
#include "plugins/spi_messages.h"

void RaisePluginFault(const std::string& fileName, const char* entryPoint,
                      const platform::TFault& fault) {
  throw ESPIFault(spi_messages::SSPIFault,
                  {fileName, entryPoint, platform::FaultCodeText(fault)});
}
