// tintsight-cli as a function, so that tests run it in-process: the arguments after the program
// name, where to print, and the picture loader. Returns the exit status: 0 done, 1 a picture
// could not be loaded, analysed or saved, 2 a usage error (with the usage text on `errors`).
#pragma once

#include <ostream>
#include <span>
#include <string>

#include "cli/picture_loader.h"

int RunCli(std::span<const std::string> arguments, const TPictureLoader& loader,
           std::ostream& output, std::ostream& errors);
