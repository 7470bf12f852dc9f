#include "platform/guarded_call.h"

#include <windows.h>
#include <excpt.h>

#include <cstdio>

namespace {

// The processor faults that end a guarded call. Everything else (breakpoints, C++ exceptions
// of other compilers, exceptions raised on purpose) passes on down the chain.
bool IsProcessorFault(DWORD code) {
  switch (code) {
    case EXCEPTION_ACCESS_VIOLATION:
    case EXCEPTION_IN_PAGE_ERROR:
    case EXCEPTION_ILLEGAL_INSTRUCTION:
    case EXCEPTION_PRIV_INSTRUCTION:
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
    case EXCEPTION_INT_OVERFLOW:
    case EXCEPTION_DATATYPE_MISALIGNMENT:
    case EXCEPTION_STACK_OVERFLOW:
      return true;
    default:
      return false;
  }
}

// Room kept at the end of each thread's stack for handling its overflow: the system's dispatch,
// the handler that takes the fault (ours, or the loader's for a module's start-up code) and the
// unwinding all run there.
constexpr ULONG kOverflowRoom = 64 * 1024;

// Keeps a guard page on this thread's stack above the room kept for handling an overflow, so that
// an overflow is raised while that room is still free. Needed the first time on each thread (Wine
// guards only the stack's last page and raises the overflow with less than a page left, which the
// loader's handler outgrows), and again whenever an overflow has used the guard up, whoever
// handled it: our guard, the loader around a module's start-up code, or the called code itself.
// Without a guard page the next overflow runs off the stack's end, which ends the process.
void KeepStackGuard() {
  thread_local bool guaranteed = false;
  if (!guaranteed) {
    ULONG size = kOverflowRoom;
    ::SetThreadStackGuarantee(&size);
    guaranteed = true;
  }
  SYSTEM_INFO system{};
  ::GetSystemInfo(&system);
  const std::uintptr_t pageSize = system.dwPageSize;
  const volatile char here = 0;
  const std::uintptr_t current = reinterpret_cast<std::uintptr_t>(&here) & ~(pageSize - 1);
  MEMORY_BASIC_INFORMATION region{};
  if (::VirtualQuery(const_cast<const char*>(&here), &region, sizeof region) == 0) return;
  // Below this: the stack's last page, which the system keeps, and the room.
  const std::uintptr_t lowest =
      reinterpret_cast<std::uintptr_t>(region.AllocationBase) + pageSize + kOverflowRoom;
  // The stack grows down: committed pages lie above its guard page, reserved ones below it.
  std::uintptr_t lowestCommitted = 0;
  for (std::uintptr_t at = lowest; at < current;
       at = reinterpret_cast<std::uintptr_t>(region.BaseAddress) + region.RegionSize) {
    if (::VirtualQuery(reinterpret_cast<const void*>(at), &region, sizeof region) == 0) return;
    if (region.State != MEM_COMMIT) continue;
    if ((region.Protect & PAGE_GUARD) != 0) return;
    if (lowestCommitted == 0) lowestCommitted = at;
  }
  if (lowestCommitted == 0) return;
  DWORD previous = 0;
  ::VirtualProtect(reinterpret_cast<void*>(lowestCommitted), pageSize, PAGE_READWRITE | PAGE_GUARD,
                   &previous);
}

}  // namespace

namespace platform {

std::string FaultCodeText(const TFault& fault) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(fault.Code));
  return text;
}

}  // namespace platform

#if defined(__i386__)
// The compiler has no __try, so the guard registers its frame on the thread's exception chain
// (fs:[0]) itself, the way compiled __try blocks do. The frame's layout is fixed: the assembly
// below reads it by offset.
struct TGuardFrame {
  TGuardFrame* Next;         // +0: the chain's previous head
  void* Handler;             // +4: ts_guard_handler
  std::uint32_t SavedEsp;    // +8: the stack pointer inside ts_guard_enter, after its pushes
  std::uint32_t SavedEbp;    // +12: ts_guard_enter's frame pointer
  std::uint32_t Code;        // +16: the fault's exception code
};
static_assert(sizeof(TGuardFrame) == 20);

extern "C" {
// Registers `frame`, calls body(context), unregisters it; 0 when body returned, 1 when the
// handler ended it. cdecl.
int ts_guard_enter(TGuardFrame* frame, platform::TGuardedBody body, void* context);
// Continues in ts_guard_enter at the point where it unregisters the frame and answers 1.
[[noreturn]] void ts_guard_resume(TGuardFrame* frame);
// Unwinds every frame registered after `frame` (the called code's own handlers see the unwind)
// and leaves `frame` at the chain's head. RtlUnwind keeps no register, so this keeps them.
void ts_guard_unwind(TGuardFrame* frame, EXCEPTION_RECORD* record);
EXCEPTION_DISPOSITION ts_guard_handler(EXCEPTION_RECORD* record, void* establisher, CONTEXT*,
                                       void*);
}

asm(R"(
  .text
  .globl _ts_guard_enter
_ts_guard_enter:
  pushl %ebp
  movl %esp, %ebp
  pushl %ebx
  pushl %esi
  pushl %edi
  movl 8(%ebp), %eax
  movl %fs:0, %ecx
  movl %ecx, 0(%eax)
  movl $_ts_guard_handler, 4(%eax)
  movl %esp, 8(%eax)
  movl %ebp, 12(%eax)
  movl %eax, %fs:0
  andl $-16, %esp
  subl $12, %esp
  pushl 16(%ebp)
  call *12(%ebp)
  xorl %eax, %eax
Lts_guard_leave:
  movl 8(%ebp), %ecx
  movl 0(%ecx), %edx
  movl %edx, %fs:0
  leal -12(%ebp), %esp
  popl %edi
  popl %esi
  popl %ebx
  popl %ebp
  ret

  .globl _ts_guard_resume
_ts_guard_resume:
  movl 4(%esp), %ecx
  movl 8(%ecx), %esp
  movl 12(%ecx), %ebp
  movl $1, %eax
  jmp Lts_guard_leave

  .globl _ts_guard_unwind
_ts_guard_unwind:
  pushl %ebp
  movl %esp, %ebp
  pushl %ebx
  pushl %esi
  pushl %edi
  pushl $0
  pushl 12(%ebp)
  pushl $Lts_guard_unwound
  pushl 8(%ebp)
  call _RtlUnwind@16
Lts_guard_unwound:
  leal -12(%ebp), %esp
  popl %edi
  popl %esi
  popl %ebx
  popl %ebp
  ret
)");

extern "C" EXCEPTION_DISPOSITION ts_guard_handler(EXCEPTION_RECORD* record, void* establisher,
                                                  CONTEXT*, void*) {
  // Called again while frames are unwound (ours included): nothing to do then.
  if ((record->ExceptionFlags & EXCEPTION_UNWIND) != 0) return ExceptionContinueSearch;
  if (!IsProcessorFault(record->ExceptionCode)) return ExceptionContinueSearch;
  auto* frame = static_cast<TGuardFrame*>(establisher);
  frame->Code = record->ExceptionCode;
  ts_guard_unwind(frame, record);
  ts_guard_resume(frame);
}

namespace platform {

bool CallGuarded(TGuardedBody body, void* context, TFault& fault) {
  KeepStackGuard();
  TGuardFrame frame{};
  const bool returned = ts_guard_enter(&frame, body, context) == 0;
  KeepStackGuard();
  if (returned) return true;
  fault.Code = frame.Code;
  return false;
}

}  // namespace platform

#elif defined(__x86_64__)
// 64-bit Windows finds handlers through the unwind tables, not a chain on the stack. The guard is
// one scope of the compiler runtime's __C_specific_handler, as a compiled __try makes it: the
// filter below takes processor faults, and the system unwinds to the end of the scope.

namespace {
thread_local DWORD guardFaultCode = 0;
}  // namespace

extern "C" LONG ts_guard_filter(EXCEPTION_POINTERS* pointers) {
  const DWORD code = pointers->ExceptionRecord->ExceptionCode;
  if (!IsProcessorFault(code)) return EXCEPTION_CONTINUE_SEARCH;
  guardFaultCode = code;
  return EXCEPTION_EXECUTE_HANDLER;
}

namespace {

// True when body returned. Not inlined: the scope's labels may stand once only. `returned` lives
// in memory, since the fault path arrives at the end of the scope from elsewhere.
[[gnu::noinline]] bool RunScoped(platform::TGuardedBody body, void* context) {
  volatile bool returned = false;
  __try1(ts_guard_filter)
  body(context);
  returned = true;
  __except1
  return returned;
}

}  // namespace

namespace platform {

bool CallGuarded(TGuardedBody body, void* context, TFault& fault) {
  KeepStackGuard();
  const bool returned = RunScoped(body, context);
  KeepStackGuard();
  if (returned) return true;
  fault.Code = guardFaultCode;
  return false;
}

}  // namespace platform
#else
#error "the guard knows the exception frames of x86 and x86-64 Windows only"
#endif
