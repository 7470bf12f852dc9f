// The plug-in helper's loop: one request at a time from the program, served with a module loaded
// in this process (TLocalSpiModule), one answer each. It holds no policy: which plug-ins to load,
// when to give up on a call and what a failure means are the program's to decide.
#pragma once

#include "platform/child_process.h"

// Serves requests until the program closes the channel (or sends one that does not hold
// together). Returns the helper's exit code.
int ServeRequests(platform::ParentChannel& channel);
