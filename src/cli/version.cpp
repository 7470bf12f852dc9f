#include "cli/version.h"

// Written at build time from the project's version and the checkout's commit.
#include "ts_version.h"

std::string_view VersionText() { return TS_VERSION_TEXT; }
