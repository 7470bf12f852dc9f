// The directories behind the search options, and the order in which they are searched.
#pragma once

#include <string>

#include "plugins/spi_search_options.h"

// The fixed order of a search, which is not the ordinal order: the Susie directory first, then
// the program's plug-in directory, the program's directory, the current, system and Windows
// directories.
inline constexpr TSPISearchOption kSPISearchOrder[] = {
    TSPISearchOption::spsSusieDir,   TSPISearchOption::spsAppPluginDir,
    TSPISearchOption::spsAppDir,     TSPISearchOption::spsCurrentDir,
    TSPISearchOption::spsSystemDir,  TSPISearchOption::spsWindowsDir,
};

// The kinds of plug-in module this build hosts, as file patterns, in the order in which each place
// is scanned for them. The 64-bit Windows build hosts 64-bit modules (*.sph) and 32-bit ones
// (*.spi, served by the 32-bit helper); within a place its 64-bit modules come first, since they
// run in a helper of the program's own bitness and so are asked first when both kinds read a
// format. Every other build hosts *.spi only.
#if defined(_WIN32) && defined(_WIN64)
inline constexpr const char* kSPIModulePatterns[] = {"*.sph", "*.spi"};
#else
inline constexpr const char* kSPIModulePatterns[] = {"*.spi"};
#endif

// The directory that `option` stands for at this moment (UTF-8, without a trailing delimiter
// added), or empty when there is none: no Susie directory in the registry, no system or Windows
// directory (every system but Windows). Never fails: trouble reading the registry only means
// that there is no Susie directory.
std::string SPISearchPlaceDirectory(TSPISearchOption option);

// The directory named by the value "Path" under HKEY_CURRENT_USER
// "\Software\Rokumaru\Susie\Plug-in", taken as stored; empty when the key does not open with full
// access, the value is missing or empty, or it is not a string.
std::string SusiePluginDirectory();
