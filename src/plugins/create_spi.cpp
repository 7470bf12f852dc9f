#include "plugins/create_spi.h"

#include "plugins/am_spi.h"
#include "plugins/in_spi.h"
#include "plugins/spi_exceptions.h"
#include "plugins/xn_spi.h"

namespace {

// The plug-in class for an API version.
TSPIClass ClassForVersion(const std::string& version) {
  if (version == "00IN") return TSPIClass::Of<TInSPI>();
  if (version == "00AM") return TSPIClass::Of<TAmSPI>();
  if (version == "00XN") return TSPIClass::Of<TXnSPI>();
  return TSPIClass::Of<TSPI>();
}

}  // namespace

std::unique_ptr<TSPI> CreateSPI(const std::string& fileName) {
  try {
    // The probe stays alive until the result is made, so the module is loaded twice for a
    // moment; the system counts the loads and the result's load keeps it.
    const TSPI probe(fileName);
    return ClassForVersion(probe.APIVersion()).Create(fileName);
  } catch (const ESPIInvalidSPI&) {
    return nullptr;
  } catch (const ESPIFOpenErrorSPI&) {
    return nullptr;
  } catch (const ESPIFault&) {
    // A module that faults while it describes itself is passed over like one that does not load.
    return nullptr;
  }
}
