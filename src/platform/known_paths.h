// The places a program finds itself in: its executable, the current directory, and on Windows
// the system and Windows directories.
#pragma once

#include <string>

namespace platform {

// The full path of the running program's executable file (UTF-8); empty when unknown.
std::string ExecutablePath();

// The process's current directory (UTF-8); empty when unknown.
std::string CurrentDirectory();
// Makes `directory` the process's current directory; false on failure.
bool ChangeCurrentDirectory(const std::string& directory);

// The Windows system directory, fetched into a 255-character buffer; empty when the system
// reports none or the path does not fit. Elsewhere there is none: always empty.
std::string SystemDirectory();
// The Windows directory, likewise.
std::string WindowsDirectory();

}  // namespace platform
