// The plug-in host's failures. Each carries only its message (see spi_messages.h).
#pragma once

#include "rtl/exception.h"

// A module that loads but is no usable plug-in of the class asked for.
TS_DECLARE_EXCEPTION(ESPIInvalidSPI, Exception);
// A call of an entry point that the module does not export.
TS_DECLARE_EXCEPTION(ESPIInvalidAPI, Exception);
// A module that cannot be loaded at all.
TS_DECLARE_EXCEPTION(ESPIFOpenErrorSPI, Exception);
// A processor fault inside a plug-in's code (an access violation, a division by zero, ...).
TS_DECLARE_EXCEPTION(ESPIFault, Exception);
// A second plug-in collection.
TS_DECLARE_EXCEPTION(ESPIDupCreateSPIs, Exception);
