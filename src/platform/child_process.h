// A helper process of the program's own, joined to it by a two-way channel of messages that can
// carry a block of shared memory each. The program starts the helper (ChildProcess); the helper
// finds its end of the channel (ParentChannel). No helper outlives the program: natively it gets
// SIGKILL when the program ends (the parent-death signal) and sees its channel close; on Windows
// it runs in a job object that is ended when the program's last handle of it closes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/shared_memory.h"

namespace platform {

// How a read from the channel ended.
enum class TChannelRead {
  crDone,      // every byte asked for arrived
  crClosed,    // the other end closed, or the channel failed
  crTimedOut,  // the time limit passed first
};

// How a process ended: its exit code, or (elsewhere) the signal that ended it.
struct TProcessEnd {
  bool Signalled = false;
  std::uint32_t Code = 0;
};

// The end as people read it: "exit code 3" or "SIGSEGV" natively, "0xC0000005" for a Windows
// exception code and "exit code 3" for small codes on Windows.
std::string ProcessEndText(const TProcessEnd& end);

// The address space that this process uses, in bytes; 0 when the system does not say.
std::uint64_t AddressSpaceInUse();

// Whether this process's heaps still hold together (Windows: every heap validated; elsewhere
// the C library has no such check and the answer is always yes, its own checks end the process
// when they find damage).
bool ProcessHeapIntact();

// Makes a processor fault that nothing handles end this process at once, with the fault's code
// as its exit code, instead of waiting for a debugger (Windows; elsewhere the signal ends the
// process already).
void EndProcessOnUnhandledFault();

// The program's side: one started helper, owned. The destructor kills it if it still runs and
// reaps it.
class ChildProcess {
 public:
  ChildProcess() = default;
  ChildProcess(ChildProcess&& other) noexcept;
  ChildProcess& operator=(ChildProcess&& other) noexcept;
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  ~ChildProcess();

  // Starts the executable at `path` (UTF-8) with its end of the channel; the helper finds it with
  // ParentChannel::Inherited. `addressSpaceLimit` (bytes, 0 for none) bounds the helper's memory
  // where the system can (natively), so that a runaway allocation fails inside the helper
  // instead of starving the machine. Not started on failure, the system's error code then left as
  // the last error.
  static ChildProcess Start(const std::string& path, std::uint64_t addressSpaceLimit);

  bool IsStarted() const;

  // Sends `size` bytes as one message, with `memory` handed over along with it when not null
  // (the helper receives a handle of its own). False when the channel is closed.
  bool Send(const void* data, std::size_t size, const SharedMemory* memory);
  // Receives a message of exactly `size` bytes, waiting at most `timeoutMs` milliseconds in all
  // (negative: no limit). A block of shared memory that came with it goes to `memory`.
  TChannelRead Receive(void* data, std::size_t size, int timeoutMs, SharedMemoryHandle& memory);

  // Closes this side of the channel: the helper sees it closed and ends by itself.
  void CloseChannel();
  // Ends the helper at once (no-op when it has ended).
  void Kill();
  // Waits for the helper to end, at most `timeoutMs` milliseconds; false when it still runs.
  bool Wait(int timeoutMs, TProcessEnd& end);

 private:
  void Release();

  std::intptr_t Process_ = -1;  // the pid, or the process HANDLE
  std::intptr_t Job_ = -1;      // Windows: the job object the helper runs in
  std::intptr_t ToChild_ = -1;  // the channel: one socket natively, two pipes on Windows
  std::intptr_t FromChild_ = -1;
  bool Reaped_ = false;
};

// The helper's side of the channel, found where ChildProcess::Start left it.
class ParentChannel {
 public:
  // The channel that the program handed to this process at its start; not valid when the
  // process was started some other way.
  static ParentChannel Inherited(const std::vector<std::string>& arguments);

  bool IsValid() const { return ToParent_ != -1 && FromParent_ != -1; }
  // As ChildProcess::Send. A block handed over is the program's to close from then on; this side
  // keeps its own handle until `memory` is destroyed.
  bool Send(const void* data, std::size_t size, const SharedMemory* memory);
  // Receives a message of exactly `size` bytes, waiting as long as it takes; false when the
  // program closed the channel (it has ended).
  bool Receive(void* data, std::size_t size, SharedMemoryHandle& memory);

 private:
  std::intptr_t ToParent_ = -1;
  std::intptr_t FromParent_ = -1;
};

}  // namespace platform
