#include "platform/child_process.h"

#include <windows.h>
#include <psapi.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/text.h"

namespace platform {

namespace {

// Every message starts with the handle of the block of shared memory that comes with it (0 for
// none), as the receiving side can use it: in the helper, a handle the program has put there; in
// the program, a handle of the helper's that the program takes over.
using TToken = std::uint64_t;

HANDLE AsHandle(std::intptr_t value) { return reinterpret_cast<HANDLE>(value); }

std::intptr_t AsValue(HANDLE handle) { return reinterpret_cast<std::intptr_t>(handle); }

// Writes all of `size` bytes to a pipe; `overlapped`: the handle was opened for overlapped I/O.
bool WriteAll(HANDLE pipe, const void* data, std::size_t size, bool overlapped);

// One message: its token and its bytes in one write, since every call through Wine's server
// costs a round trip of its own.
bool WriteMessage(HANDLE pipe, TToken token, const void* data, std::size_t size, bool overlapped) {
  std::vector<char> message(sizeof token + size);
  std::memcpy(message.data(), &token, sizeof token);
  if (size > 0) std::memcpy(message.data() + sizeof token, data, size);
  return WriteAll(pipe, message.data(), message.size(), overlapped);
}

bool WriteAll(HANDLE pipe, const void* data, std::size_t size, bool overlapped) {
  const auto* bytes = static_cast<const char*>(data);
  while (size > 0) {
    const DWORD chunk = size > 1u << 20 ? 1u << 20 : static_cast<DWORD>(size);
    DWORD written = 0;
    if (overlapped) {
      OVERLAPPED operation{};
      operation.hEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
      if (operation.hEvent == nullptr) return false;
      BOOL done = ::WriteFile(pipe, bytes, chunk, nullptr, &operation);
      if (!done && ::GetLastError() == ERROR_IO_PENDING) {
        done = ::GetOverlappedResult(pipe, &operation, &written, TRUE);
      } else if (done) {
        done = ::GetOverlappedResult(pipe, &operation, &written, TRUE);
      }
      ::CloseHandle(operation.hEvent);
      if (!done) return false;
    } else if (!::WriteFile(pipe, bytes, chunk, &written, nullptr)) {
      return false;
    }
    if (written == 0) return false;
    bytes += written;
    size -= written;
  }
  return true;
}

// Reads exactly `size` bytes from an overlapped pipe, waiting at most until `deadline` (a tick
// count; 0 for no limit).
TChannelRead ReadOverlapped(HANDLE pipe, void* data, std::size_t size, ULONGLONG deadline) {
  auto* bytes = static_cast<char*>(data);
  HANDLE event = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (event == nullptr) return TChannelRead::crClosed;
  TChannelRead result = TChannelRead::crDone;
  while (size > 0) {
    OVERLAPPED operation{};
    operation.hEvent = event;
    ::ResetEvent(event);
    const DWORD chunk = size > 1u << 20 ? 1u << 20 : static_cast<DWORD>(size);
    DWORD got = 0;
    BOOL done = ::ReadFile(pipe, bytes, chunk, nullptr, &operation);
    if (!done && ::GetLastError() != ERROR_IO_PENDING) {
      result = TChannelRead::crClosed;
      break;
    }
    DWORD wait = INFINITE;
    if (deadline != 0) {
      const ULONGLONG now = ::GetTickCount64();
      wait = now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
    }
    if (::WaitForSingleObject(event, wait) != WAIT_OBJECT_0) {
      ::CancelIo(pipe);
      ::GetOverlappedResult(pipe, &operation, &got, TRUE);
      result = TChannelRead::crTimedOut;
      break;
    }
    if (!::GetOverlappedResult(pipe, &operation, &got, FALSE) || got == 0) {
      result = TChannelRead::crClosed;
      break;
    }
    bytes += got;
    size -= got;
  }
  ::CloseHandle(event);
  return result;
}

bool ReadAll(HANDLE pipe, void* data, std::size_t size) {
  auto* bytes = static_cast<char*>(data);
  while (size > 0) {
    const DWORD chunk = size > 1u << 20 ? 1u << 20 : static_cast<DWORD>(size);
    DWORD got = 0;
    if (!::ReadFile(pipe, bytes, chunk, &got, nullptr) || got == 0) return false;
    bytes += got;
    size -= got;
  }
  return true;
}

std::wstring PipeName() {
  static std::atomic<unsigned> counter{0};
  wchar_t name[96];
  std::swprintf(name, 96, L"\\\\.\\pipe\\tintsight-plugin-host-%lu-%u-%llu",
                ::GetCurrentProcessId(), counter++, ::GetTickCount64());
  return name;
}

}  // namespace

std::string ProcessEndText(const TProcessEnd& end) {
  // Exception codes read as the system writes them; small codes are plain exit codes.
  if (end.Code >= 0xC0000000u) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(end.Code));
    return text;
  }
  return "exit code " + std::to_string(end.Code);
}

std::uint64_t AddressSpaceInUse() {
  PROCESS_MEMORY_COUNTERS_EX counters{};
  counters.cb = sizeof counters;
  if (!::GetProcessMemoryInfo(::GetCurrentProcess(),
                              reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                              sizeof counters)) {
    return 0;
  }
  return counters.PrivateUsage;
}

bool ProcessHeapIntact() {
  // Every heap of the process: the C runtime keeps one of its own beside the system's.
  HANDLE heaps[64];
  const DWORD count = ::GetProcessHeaps(64, heaps);
  for (DWORD i = 0; i < count && i < 64; ++i) {
    if (!::HeapValidate(heaps[i], 0, nullptr)) return false;
  }
  return true;
}

namespace {

LONG WINAPI EndWithFault(EXCEPTION_POINTERS* pointers) {
  ::TerminateProcess(::GetCurrentProcess(), pointers->ExceptionRecord->ExceptionCode);
  return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

void EndProcessOnUnhandledFault() {
  ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  ::SetUnhandledExceptionFilter(&EndWithFault);
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept { *this = std::move(other); }

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
  if (this != &other) {
    Release();
    Process_ = std::exchange(other.Process_, -1);
    Job_ = std::exchange(other.Job_, -1);
    ToChild_ = std::exchange(other.ToChild_, -1);
    FromChild_ = std::exchange(other.FromChild_, -1);
    Reaped_ = std::exchange(other.Reaped_, false);
  }
  return *this;
}

ChildProcess::~ChildProcess() { Release(); }

void ChildProcess::Release() {
  CloseChannel();
  if (Process_ != -1) {
    if (!Reaped_) {
      Kill();
      TProcessEnd end;
      Wait(-1, end);
    }
    ::CloseHandle(AsHandle(std::exchange(Process_, -1)));
  }
  // Closing the job's last handle ends whatever still runs in it.
  if (Job_ != -1) ::CloseHandle(AsHandle(std::exchange(Job_, -1)));
}

ChildProcess ChildProcess::Start(const std::string& path, std::uint64_t /*addressSpaceLimit*/) {
  ChildProcess child;
  const std::wstring name = PipeName();
  HANDLE server = ::CreateNamedPipeW(
      name.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
      PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, 1 << 16,
      1 << 16, 0, nullptr);
  if (server == INVALID_HANDLE_VALUE) return child;
  SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
  HANDLE client = ::CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, &inherited,
                                OPEN_EXISTING, 0, nullptr);
  HANDLE job = ::CreateJobObjectW(nullptr, nullptr);
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  // No helper outlives the program: its job ends when the program's handle closes, also when
  // the program is killed.
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  const bool ready = client != INVALID_HANDLE_VALUE && job != nullptr &&
                     ::SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits,
                                               sizeof limits);
  PROCESS_INFORMATION process{};
  bool started = false;
  if (ready) {
    std::wstring commandLine = L"\"" + Widen(path) + L"\" --channel " +
                               std::to_wstring(reinterpret_cast<std::uintptr_t>(client));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    started = ::CreateProcessW(Widen(path).c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                               CREATE_SUSPENDED | CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                               &process) != FALSE;
  }
  const DWORD error = ::GetLastError();
  if (client != INVALID_HANDLE_VALUE) ::CloseHandle(client);
  if (!started) {
    ::CloseHandle(server);
    if (job != nullptr) ::CloseHandle(job);
    ::SetLastError(error);
    return child;
  }
  if (!::AssignProcessToJobObject(job, process.hProcess)) {
    // Not in the job (a system that refuses nested jobs): it still ends with its channel.
    ::CloseHandle(job);
    job = nullptr;
  }
  ::ResumeThread(process.hThread);
  ::CloseHandle(process.hThread);
  child.Process_ = AsValue(process.hProcess);
  child.Job_ = job != nullptr ? AsValue(job) : -1;
  child.ToChild_ = AsValue(server);
  child.FromChild_ = AsValue(server);
  return child;
}

bool ChildProcess::IsStarted() const { return Process_ != -1; }

bool ChildProcess::Send(const void* data, std::size_t size, const SharedMemory* memory) {
  if (ToChild_ == -1) return false;
  TToken token = 0;
  if (memory != nullptr) {
    HANDLE theirs = nullptr;
    if (!::DuplicateHandle(::GetCurrentProcess(), AsHandle(memory->Handle().Value()),
                           AsHandle(Process_), &theirs, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
      return false;
    }
    token = reinterpret_cast<std::uintptr_t>(theirs);
  }
  return WriteMessage(AsHandle(ToChild_), token, data, size, true);
}

TChannelRead ChildProcess::Receive(void* data, std::size_t size, int timeoutMs,
                                   SharedMemoryHandle& memory) {
  if (FromChild_ == -1) return TChannelRead::crClosed;
  const ULONGLONG deadline = timeoutMs >= 0 ? ::GetTickCount64() + timeoutMs + 1 : 0;
  std::vector<char> message(sizeof(TToken) + size);
  const TChannelRead result =
      ReadOverlapped(AsHandle(FromChild_), message.data(), message.size(), deadline);
  if (result != TChannelRead::crDone) return result;
  TToken token = 0;
  std::memcpy(&token, message.data(), sizeof token);
  if (size > 0) std::memcpy(data, message.data() + sizeof token, size);
  if (token != 0) {
    // Taken out of the helper, which keeps its own handle until its next request.
    HANDLE ours = nullptr;
    if (::DuplicateHandle(AsHandle(Process_), reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(token)),
                          ::GetCurrentProcess(), &ours, 0, FALSE, DUPLICATE_SAME_ACCESS) &&
        !memory.IsValid()) {
      memory = SharedMemoryHandle(AsValue(ours));
    } else if (ours != nullptr) {
      ::CloseHandle(ours);
    }
  }
  return result;
}

void ChildProcess::CloseChannel() {
  if (ToChild_ != -1) ::CloseHandle(AsHandle(std::exchange(ToChild_, -1)));
  FromChild_ = -1;
}

void ChildProcess::Kill() {
  if (Process_ != -1 && !Reaped_) ::TerminateProcess(AsHandle(Process_), 1);
}

bool ChildProcess::Wait(int timeoutMs, TProcessEnd& end) {
  if (Process_ == -1) return false;
  if (::WaitForSingleObject(AsHandle(Process_), timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs)) !=
      WAIT_OBJECT_0) {
    return false;
  }
  DWORD code = 0;
  ::GetExitCodeProcess(AsHandle(Process_), &code);
  Reaped_ = true;
  end.Signalled = false;
  end.Code = code;
  return true;
}

ParentChannel ParentChannel::Inherited(const std::vector<std::string>& arguments) {
  ParentChannel channel;
  if (arguments.size() != 2 || arguments[0] != "--channel") return channel;
  char* end = nullptr;
  const unsigned long long value = std::strtoull(arguments[1].c_str(), &end, 10);
  if (end == nullptr || *end != '\0' || value == 0) return channel;
  HANDLE pipe = reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(value));
  DWORD flags = 0;
  // Only a pipe handed to us is the channel.
  if (::GetFileType(pipe) != FILE_TYPE_PIPE || !::GetHandleInformation(pipe, &flags)) return channel;
  // Not passed on to anything this process may start.
  ::SetHandleInformation(pipe, HANDLE_FLAG_INHERIT, 0);
  channel.ToParent_ = AsValue(pipe);
  channel.FromParent_ = AsValue(pipe);
  return channel;
}

bool ParentChannel::Send(const void* data, std::size_t size, const SharedMemory* memory) {
  if (!IsValid()) return false;
  const TToken token = memory != nullptr ? static_cast<TToken>(memory->Handle().Value()) : 0;
  return WriteMessage(AsHandle(ToParent_), token, data, size, false);
}

bool ParentChannel::Receive(void* data, std::size_t size, SharedMemoryHandle& memory) {
  if (!IsValid()) return false;
  std::vector<char> message(sizeof(TToken) + size);
  if (!ReadAll(AsHandle(FromParent_), message.data(), message.size())) return false;
  TToken token = 0;
  std::memcpy(&token, message.data(), sizeof token);
  if (size > 0) std::memcpy(data, message.data() + sizeof token, size);
  if (token != 0 && !memory.IsValid()) {
    memory = SharedMemoryHandle(static_cast<std::intptr_t>(token));
  }
  return true;
}

}  // namespace platform
