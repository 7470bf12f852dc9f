#include "platform/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <string.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <utility>

namespace platform {

namespace {

// The helper finds its end of the channel here.
constexpr int kChannelFd = 3;

std::int64_t NowMs() {
  timespec now{};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return std::int64_t{now.tv_sec} * 1000 + now.tv_nsec / 1000000;
}

// One message with an optional descriptor riding on its first byte.
bool SendOn(int socket, const void* data, std::size_t size, const SharedMemory* memory) {
  const auto* bytes = static_cast<const char*>(data);
  bool first = true;
  while (size > 0 || first) {
    iovec part{const_cast<char*>(bytes), size};
    msghdr message{};
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
    if (first && memory != nullptr) {
      message.msg_control = control;
      message.msg_controllen = sizeof control;
      cmsghdr* header = CMSG_FIRSTHDR(&message);
      header->cmsg_level = SOL_SOCKET;
      header->cmsg_type = SCM_RIGHTS;
      header->cmsg_len = CMSG_LEN(sizeof(int));
      const int fd = static_cast<int>(memory->Handle().Value());
      ::memcpy(CMSG_DATA(header), &fd, sizeof fd);
    }
    // MSG_NOSIGNAL: a helper that has gone is a closed channel, not a SIGPIPE.
    const ssize_t sent = ::sendmsg(socket, &message, MSG_NOSIGNAL);
    if (sent < 0 && errno == EINTR) continue;
    if (sent <= 0) return false;
    bytes += sent;
    size -= static_cast<std::size_t>(sent);
    first = false;
  }
  return true;
}

// Reads what has arrived, up to `size` bytes, keeping a descriptor that came with it.
ssize_t ReceiveSome(int socket, void* data, std::size_t size, SharedMemoryHandle& memory) {
  iovec part{data, size};
  msghdr message{};
  message.msg_iov = &part;
  message.msg_iovlen = 1;
  alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int) * 4)];
  message.msg_control = control;
  message.msg_controllen = sizeof control;
  const ssize_t got = ::recvmsg(socket, &message, MSG_CMSG_CLOEXEC);
  for (cmsghdr* header = CMSG_FIRSTHDR(&message); got >= 0 && header != nullptr;
       header = CMSG_NXTHDR(&message, header)) {
    if (header->cmsg_level != SOL_SOCKET || header->cmsg_type != SCM_RIGHTS) continue;
    const std::size_t count = (header->cmsg_len - CMSG_LEN(0)) / sizeof(int);
    for (std::size_t i = 0; i < count; ++i) {
      int fd = -1;
      ::memcpy(&fd, CMSG_DATA(header) + i * sizeof(int), sizeof fd);
      // One block per message; anything more is closed, not leaked.
      if (!memory.IsValid()) {
        memory = SharedMemoryHandle(fd);
      } else {
        ::close(fd);
      }
    }
  }
  return got;
}

TChannelRead ReceiveOn(int socket, void* data, std::size_t size, int timeoutMs,
                       SharedMemoryHandle& memory) {
  const std::int64_t deadline = timeoutMs >= 0 ? NowMs() + timeoutMs : 0;
  auto* bytes = static_cast<char*>(data);
  while (size > 0) {
    if (timeoutMs >= 0) {
      const std::int64_t left = deadline - NowMs();
      if (left <= 0) return TChannelRead::crTimedOut;
      pollfd wait{socket, POLLIN, 0};
      const int ready = ::poll(&wait, 1, static_cast<int>(left > INT32_MAX ? INT32_MAX : left));
      if (ready < 0 && errno == EINTR) continue;
      if (ready < 0) return TChannelRead::crClosed;
      if (ready == 0) return TChannelRead::crTimedOut;
    }
    const ssize_t got = ReceiveSome(socket, bytes, size, memory);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return TChannelRead::crClosed;
    bytes += got;
    size -= static_cast<std::size_t>(got);
  }
  return TChannelRead::crDone;
}

}  // namespace

std::string ProcessEndText(const TProcessEnd& end) {
  if (!end.Signalled) return "exit code " + std::to_string(end.Code);
  const char* name = ::sigabbrev_np(static_cast<int>(end.Code));
  return name != nullptr ? std::string("SIG") + name : "signal " + std::to_string(end.Code);
}

std::uint64_t AddressSpaceInUse() {
  // The first number of statm is the size of the whole address space, in pages: what the limit
  // that Start sets counts.
  const int fd = ::open("/proc/self/statm", O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  char text[64] = {};
  const ssize_t got = ::read(fd, text, sizeof text - 1);
  ::close(fd);
  if (got <= 0) return 0;
  const std::uint64_t pages = std::strtoull(text, nullptr, 10);
  return pages * static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
}

bool ProcessHeapIntact() { return true; }

void EndProcessOnUnhandledFault() {}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept { *this = std::move(other); }

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
  if (this != &other) {
    Release();
    Process_ = std::exchange(other.Process_, -1);
    ToChild_ = std::exchange(other.ToChild_, -1);
    FromChild_ = std::exchange(other.FromChild_, -1);
    Reaped_ = std::exchange(other.Reaped_, false);
  }
  return *this;
}

ChildProcess::~ChildProcess() { Release(); }

void ChildProcess::Release() {
  CloseChannel();
  if (Process_ != -1 && !Reaped_) {
    Kill();
    TProcessEnd end;
    Wait(-1, end);
  }
  Process_ = -1;
}

ChildProcess ChildProcess::Start(const std::string& path, std::uint64_t addressSpaceLimit) {
  ChildProcess child;
  int ends[2] = {-1, -1};
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) return child;
  // Made before the fork: between fork and exec only async-signal-safe calls are allowed.
  const char* const argv[] = {path.c_str(), nullptr};
  const pid_t parent = ::getpid();
  const pid_t pid = ::fork();
  if (pid == 0) {
    // The helper dies with the program, also when the program is killed; a program that ended
    // before this line is seen by the check after it.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent) ::_exit(127);
    if (addressSpaceLimit != 0) {
      const rlimit limit{addressSpaceLimit, addressSpaceLimit};
      ::setrlimit(RLIMIT_AS, &limit);
    }
    // dup2 clears close-on-exec on the copy, so only the channel is inherited.
    if (::dup2(ends[1], kChannelFd) != kChannelFd) ::_exit(127);
    ::execv(path.c_str(), const_cast<char* const*>(argv));
    ::_exit(127);
  }
  const int error = errno;
  ::close(ends[1]);
  if (pid < 0) {
    ::close(ends[0]);
    errno = error;
    return child;
  }
  child.Process_ = pid;
  child.ToChild_ = ends[0];
  child.FromChild_ = ends[0];
  return child;
}

bool ChildProcess::IsStarted() const { return Process_ != -1; }

bool ChildProcess::Send(const void* data, std::size_t size, const SharedMemory* memory) {
  return ToChild_ != -1 && SendOn(static_cast<int>(ToChild_), data, size, memory);
}

TChannelRead ChildProcess::Receive(void* data, std::size_t size, int timeoutMs,
                                   SharedMemoryHandle& memory) {
  if (FromChild_ == -1) return TChannelRead::crClosed;
  return ReceiveOn(static_cast<int>(FromChild_), data, size, timeoutMs, memory);
}

void ChildProcess::CloseChannel() {
  if (ToChild_ != -1) ::close(static_cast<int>(std::exchange(ToChild_, -1)));
  FromChild_ = -1;
}

void ChildProcess::Kill() {
  if (Process_ != -1 && !Reaped_) ::kill(static_cast<pid_t>(Process_), SIGKILL);
}

bool ChildProcess::Wait(int timeoutMs, TProcessEnd& end) {
  if (Process_ == -1) return false;
  const std::int64_t deadline = NowMs() + (timeoutMs < 0 ? 0 : timeoutMs);
  for (;;) {
    int status = 0;
    const pid_t done =
        ::waitpid(static_cast<pid_t>(Process_), &status, timeoutMs < 0 ? 0 : WNOHANG);
    if (done < 0 && errno == EINTR) continue;
    if (done == static_cast<pid_t>(Process_)) {
      Reaped_ = true;
      end.Signalled = WIFSIGNALED(status);
      end.Code = static_cast<std::uint32_t>(end.Signalled ? WTERMSIG(status) : WEXITSTATUS(status));
      return true;
    }
    if (done < 0 || NowMs() >= deadline) return false;
    // A helper that closed its channel is ending; it is looked at again shortly.
    const timespec pause{0, 2 * 1000 * 1000};
    ::nanosleep(&pause, nullptr);
  }
}

ParentChannel ParentChannel::Inherited(const std::vector<std::string>& /*arguments*/) {
  ParentChannel channel;
  // A socket at the agreed descriptor, and nothing else, is the channel.
  int type = 0;
  socklen_t length = sizeof type;
  if (::getsockopt(kChannelFd, SOL_SOCKET, SO_TYPE, &type, &length) != 0 || type != SOCK_STREAM) {
    return channel;
  }
  ::fcntl(kChannelFd, F_SETFD, FD_CLOEXEC);
  channel.ToParent_ = kChannelFd;
  channel.FromParent_ = kChannelFd;
  return channel;
}

bool ParentChannel::Send(const void* data, std::size_t size, const SharedMemory* memory) {
  return IsValid() && SendOn(static_cast<int>(ToParent_), data, size, memory);
}

bool ParentChannel::Receive(void* data, std::size_t size, SharedMemoryHandle& memory) {
  return IsValid() &&
         ReceiveOn(static_cast<int>(FromParent_), data, size, -1, memory) == TChannelRead::crDone;
}

}  // namespace platform
