// tintsight-cli as a function, so that tests run it in-process: the arguments after the program
// name and where to print. Returns the exit status: 0 done, 1 a picture could not be loaded,
// analysed or saved (or the plug-ins could not be opened), 2 a usage error, reported on one
// line. The run opens its own plug-in collection (see OpenPluginCollection), so no other may
// exist while it runs.
#pragma once

#include <ostream>
#include <span>
#include <string>

int RunCli(std::span<const std::string> arguments, std::ostream& output, std::ostream& errors);
