// CreateSPI: opens a module as the plug-in class its API version selects.
#pragma once

#include <memory>
#include <string>

#include "plugins/spi.h"

// Opens the module at `fileName` (UTF-8) as TInSPI ("00IN"), TAmSPI ("00AM"), TXnSPI ("00XN")
// or, for any other or no version, TSPI; the version is compared exactly, letter case included.
// The module is first opened as a probe to read its version, then opened again, and so described
// again, as the chosen class; the probe is released either way. Null when the module does not
// load, faults while it loads or describes itself, or is no usable plug-in of its class (nothing
// is reported); every other exception passes on. The caller owns the result.
std::unique_ptr<TSPI> CreateSPI(const std::string& fileName);
