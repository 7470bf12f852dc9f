// Calling code that may fault (a plug-in's entry point) so that a processor fault inside it ends
// only that call: the call is abandoned, the fault is reported to the caller, and the program
// goes on. Windows: a structured-exception frame registered around the call (exceptions that the
// called code handles itself never reach it). Elsewhere: handlers for SIGSEGV, SIGBUS, SIGFPE and
// SIGILL on an alternate signal stack of the calling thread, in place only while a guarded call
// runs and the previous ones restored afterwards.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// The fault that ended a guarded call.
struct TFault {
  // Windows: the exception code (0xC0000005 for an access violation, ...). Elsewhere: the
  // signal's number.
  std::uint32_t Code = 0;
};

// The fault as people read it: "0xC0000005" on Windows, the signal's name ("SIGSEGV")
// elsewhere.
std::string FaultCodeText(const TFault& fault);

// The code run under the guard. It must not throw: a C++ exception cannot cross the guard's frame.
using TGuardedBody = void (*)(void* context);

// Runs body(context). True when it returned; false when a processor fault ended it, `fault`
// then naming the fault. The frames between the guard and the fault are abandoned without
// destructors (the called code's own structured-exception frames are unwound on Windows), so
// `body` should hold nothing that needs one. Windows: a stack overflow is raised while room for
// handling it is left, and after one the stack's guard page is back before this returns, so that
// the next overflow is caught as well; also when the overflow never reached the guard (the system's
// loader, or the called code itself, handled it). Faults that are no processor fault of the called
// code (a breakpoint, an exception raised on purpose) pass the guard untouched.
bool CallGuarded(TGuardedBody body, void* context, TFault& fault);

}  // namespace platform
