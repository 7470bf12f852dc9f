// Which processor a plug-in module is built for, read from its file as the system's loader reads
// it: a 64-bit program serves each module in a helper of the module's own bitness, whatever its
// name says (a *.spi that is really 64-bit is served by the 64-bit helper).
#pragma once

#include <string>

enum class TModuleMachine {
  mmOther,  // not a Windows module, unreadable, or for another processor: the program's own helper
            // tries it (and refuses what it cannot load)
  mmX86,    // a 32-bit Windows module
  mmX64,    // a 64-bit Windows module
};

// Reads the module at `path` (UTF-8); never fails: what cannot be read is mmOther.
TModuleMachine ModuleMachineOf(const std::string& path);
