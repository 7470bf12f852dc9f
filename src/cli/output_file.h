// Where tintsight-cli writes a result: a file, through the one save road, or standard output
// for "-".
#pragma once

#include <memory>
#include <string>

#include "rtl/file_save.h"

// A save of `name`, or of standard output (written directly, bytes unchanged) for "-". Fails as
// TFileSave does.
std::unique_ptr<TFileSave> OpenOutput(const std::string& name);
