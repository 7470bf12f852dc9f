#include "platform/guarded_call.h"

#include <setjmp.h>
#include <signal.h>
#include <string.h>

#include <iterator>
#include <memory>
#include <mutex>

namespace platform {

namespace {

constexpr int kFaultSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL};
// Room for the handler after a stack overflow, with plenty to spare for the system's frame.
constexpr std::size_t kSignalStackSize = 64 * 1024;

// One guarded call in progress on this thread; guarded calls nest.
struct TActiveGuard {
  sigjmp_buf Resume;
  TActiveGuard* Outer;
};
thread_local TActiveGuard* activeGuard = nullptr;

// The handlers are the process's, so they are installed while any thread runs a guarded call,
// and the ones found are put back when the last call ends.
std::mutex handlersLock;
int handlersUsers = 0;
struct sigaction previousHandlers[std::size(kFaultSignals)];

const struct sigaction* PreviousHandler(int signal) {
  for (std::size_t i = 0; i < std::size(kFaultSignals); ++i) {
    if (kFaultSignals[i] == signal) return &previousHandlers[i];
  }
  return nullptr;
}

void OnFault(int signal, siginfo_t* info, void* machineContext) {
  if (activeGuard != nullptr) siglongjmp(activeGuard->Resume, signal);
  // A fault outside every guarded call, on a thread that runs none: it goes where it went before.
  const struct sigaction* previous = PreviousHandler(signal);
  if (previous != nullptr && (previous->sa_flags & SA_SIGINFO) != 0) {
    previous->sa_sigaction(signal, info, machineContext);
  } else if (previous != nullptr && previous->sa_handler != SIG_DFL &&
             previous->sa_handler != SIG_IGN) {
    previous->sa_handler(signal);
  } else {
    // The faulting instruction runs again on return, and this time the fault ends the process.
    ::signal(signal, SIG_DFL);
  }
}

// The fault handlers, in place for as long as one of these lives in any thread.
class THandlers {
 public:
  THandlers() {
    const std::lock_guard<std::mutex> lock(handlersLock);
    if (handlersUsers++ > 0) return;
    struct sigaction action {};
    action.sa_sigaction = &OnFault;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (std::size_t i = 0; i < std::size(kFaultSignals); ++i) {
      ::sigaction(kFaultSignals[i], &action, &previousHandlers[i]);
    }
  }
  THandlers(const THandlers&) = delete;
  THandlers& operator=(const THandlers&) = delete;
  ~THandlers() {
    const std::lock_guard<std::mutex> lock(handlersLock);
    if (--handlersUsers > 0) return;
    for (std::size_t i = 0; i < std::size(kFaultSignals); ++i) {
      ::sigaction(kFaultSignals[i], &previousHandlers[i], nullptr);
    }
  }
};

// This thread's alternate signal stack, made on its first guarded call and kept for the next.
thread_local std::unique_ptr<char[]> signalStack;

// The alternate signal stack of this thread, in place for as long as this object lives; the one
// found is put back afterwards. A handler already running on it is left as it is.
class TSignalStack {
 public:
  TSignalStack() {
    if (::sigaltstack(nullptr, &Previous_) != 0 || (Previous_.ss_flags & SS_ONSTACK) != 0) return;
    if (!signalStack) signalStack = std::make_unique<char[]>(kSignalStackSize);
    stack_t stack{};
    stack.ss_sp = signalStack.get();
    stack.ss_size = kSignalStackSize;
    Installed_ = ::sigaltstack(&stack, nullptr) == 0;
  }
  TSignalStack(const TSignalStack&) = delete;
  TSignalStack& operator=(const TSignalStack&) = delete;
  ~TSignalStack() {
    if (Installed_) ::sigaltstack(&Previous_, nullptr);
  }

 private:
  stack_t Previous_{};
  bool Installed_ = false;
};

}  // namespace

std::string FaultCodeText(const TFault& fault) {
  const char* name = ::sigabbrev_np(static_cast<int>(fault.Code));
  return name != nullptr ? std::string("SIG") + name : "signal " + std::to_string(fault.Code);
}

bool CallGuarded(TGuardedBody body, void* context, TFault& fault) {
  const TSignalStack stack;
  const THandlers handlers;
  TActiveGuard guard;
  guard.Outer = activeGuard;
  // The signal mask is saved with the resume point: the handler's signal stays blocked after
  // the jump otherwise.
  const int signal = sigsetjmp(guard.Resume, 1);
  if (signal == 0) {
    activeGuard = &guard;
    // An exception may leave the call natively. (No object with a destructor here: the jump
    // back from the handler would skip it.)
    try {
      body(context);
    } catch (...) {
      activeGuard = guard.Outer;
      throw;
    }
    activeGuard = guard.Outer;
    return true;
  }
  activeGuard = guard.Outer;
  fault.Code = static_cast<std::uint32_t>(signal);
  return false;
}

}  // namespace platform
