// Which Tintsight this is: the version of the build and the commit it was built from.
#pragma once

#include <string_view>

// "<version>", or "<version> (commit <hash>)" where the build came from a git checkout (the
// hash followed by "-modified" when the checkout held changes not committed).
std::string_view VersionText();
