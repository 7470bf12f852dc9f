#include "plugins/plugin_host_link.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "platform/error.h"
#include "platform/file.h"
#include "platform/known_paths.h"
#include "plugins/module_machine.h"
#include "plugins/remote_spi_module.h"
#include "plugins/spi_exceptions.h"
#include "plugins/spi_messages.h"
#include "rtl/file_name.h"
#include "rtl/format.h"

namespace {

using host_protocol::TAnswer;
using host_protocol::TRequest;
using host_protocol::TRequestKind;

// The 64-bit Windows programs' helper for 32-bit modules, beside the 64-bit one (no other build
// starts it).
constexpr char kHelper32Name[] = "tintsight-plugin-host32.exe";
#ifdef _WIN32
constexpr char kHelperName[] = "tintsight-plugin-host.exe";
#else
constexpr char kHelperName[] = "tintsight-plugin-host";
#endif

// A helper whose memory grew past kRetireAbove after a call has run out in all but name (a
// plug-in that took what it could and kept it): it is retired, and the next call gets a new one.
#if defined(__SANITIZE_ADDRESS__)
// The sanitizer reserves terabytes of address space for itself: no limit can be told apart
// from it.
constexpr std::uint64_t kAddressSpaceLimit = 0;
constexpr std::uint64_t kRetireAbove = 0;
#elif defined(_WIN32)
// The system bounds a 32-bit helper by itself (4 GB at most, marked large-address-aware); the
// memory counted is what it has committed.
constexpr std::uint64_t kAddressSpaceLimit = 0;
constexpr std::uint64_t kRetireAbove = std::uint64_t{3} << 29;
#else
// As much as a 32-bit program may have on a 64-bit system: plenty for the largest picture a
// plug-in returns, and a plug-in that allocates without end fails at it, in the helper.
constexpr std::uint64_t kAddressSpaceLimit = std::uint64_t{4} << 30;
constexpr std::uint64_t kRetireAbove = kAddressSpaceLimit / 4 * 3;
#endif

// Time for a helper whose channel closed to be reaped, and for one that was told to end.
constexpr int kEndWaitMs = 2000;

int timeoutSeconds = 60;
THelperMissing helperMissing = THelperMissing::hmRaise;
std::string helperPath;

// The input memory grows to the largest picture offered, in steps of at least this much.
constexpr std::size_t kInputQuantum = std::size_t{1} << 20;

// The last block NewPluginInput made, while its reader holds it.
std::weak_ptr<platform::SharedMemory> lastPluginInput;

std::string HelperPath() {
  if (!helperPath.empty()) return helperPath;
  return ExtractFilePath(platform::ExecutablePath()) + kHelperName;
}

// The 32-bit helper: in the folder of the 64-bit one, as it is when the helper starts.
std::string Helper32Path() {
  return ExtractFilePath(HelperPath()) + kHelper32Name;
}

}  // namespace

TPluginHostLink::TPluginHostLink(std::string helperPath, THelperBitness bitness)
    : HelperPath_(std::move(helperPath)), Bitness_(bitness) {}

TPluginHostLink::~TPluginHostLink() { End(); }

void TPluginHostLink::End() {
  if (!Child_.IsStarted()) return;
  // Closing the channel tells the helper to end; it unloads what it still holds on its way.
  platform::ChildProcess child = std::move(Child_);
  platform::TProcessEnd end;
  child.CloseChannel();
  if (!child.Wait(kEndWaitMs, end)) child.Kill();
}

void TPluginHostLink::Start() {
  const std::string path = !HelperPath_.empty()        ? HelperPath_
                           : Bitness_ == THelperBitness::hbOther32 ? Helper32Path()
                                                                  : HelperPath();
  const auto refuse = [&](const std::string& reason) {
    throw ESPIHostStart(spi_messages::SHostStart, {path, reason});
  };
  if (platform::FileKindOf(path) != platform::TFileKind::fkRegular) refuse("no such file");
  Child_ = platform::ChildProcess::Start(path, kAddressSpaceLimit);
  if (!Child_.IsStarted()) {
    refuse(platform::SystemErrorMessage(platform::LastErrorCode()));
  }
  ++Generation_;
  InputHandedOver_ = false;
  // The first answer says that the program at the path is our helper and ready.
  TAnswer answer;
  platform::SharedMemoryHandle memory;
  const TRequest hello;
  const bool greeted =
      Child_.Send(&hello, sizeof hello, nullptr) &&
      Child_.Receive(&answer, sizeof answer, kEndWaitMs * 5, memory) ==
          platform::TChannelRead::crDone &&
      answer.Magic == host_protocol::kAnswerMagic && answer.TextSize == 0;
  if (!greeted) {
    Child_ = platform::ChildProcess();
    refuse("it is not the plug-in host, or it ended at once");
  }
}

std::string TPluginHostLink::EndCause() {
  platform::TProcessEnd end;
  if (Child_.Wait(kEndWaitMs, end)) {
    return Format(spi_messages::SHostEnded, {platform::ProcessEndText(end)});
  }
  return spi_messages::SHostBroken;
}

void TPluginHostLink::Abandon(const std::string& plugin, const char* entry,
                              const std::string& cause) {
  // Killed and reaped now, so that no helper is left behind.
  Child_ = platform::ChildProcess();
  throw ESPIFault(spi_messages::SSPIHostLost, {plugin, entry, cause});
}

bool TPluginHostLink::SetInput(const void* data, std::size_t size) {
  // The reader's own block, holding the bytes already: handed over as it is.
  if (std::shared_ptr<platform::SharedMemory> shared = lastPluginInput.lock();
      shared != nullptr && data == shared->Data() && size <= shared->Size() &&
      shared->Size() >= host_protocol::kHeadBytes) {
    if (shared != Input_) {
      Input_ = std::move(shared);
      InputHandedOver_ = false;
    }
    return true;
  }
  const std::size_t needed = std::max<std::size_t>(size, host_protocol::kHeadBytes);
  // A block shared with a reader is never written here.
  if (Input_ == nullptr || Input_->Size() < needed || Input_.use_count() > 1) {
    const std::size_t held = Input_ != nullptr && Input_.use_count() == 1 ? Input_->Size() : 0;
    const std::size_t grown = std::max(needed, std::min(held * 2, needed + kInputQuantum));
    Input_ = nullptr;
    InputHandedOver_ = false;
    auto created = std::make_shared<platform::SharedMemory>(platform::SharedMemory::Create(grown));
    if (!created->IsValid()) return false;
    Input_ = std::move(created);
  }
  if (size > 0) std::memcpy(Input_->Data(), data, size);
  // A short picture is followed by zeros, as the probe buffer is.
  if (size < host_protocol::kHeadBytes) {
    std::memset(Input_->Data() + size, 0, host_protocol::kHeadBytes - size);
  }
  return true;
}

void TPluginHostLink::DropLargeInput() {
  if (Input_ == nullptr || Input_->Size() <= host_protocol::kKeptInputSize) return;
  Input_ = nullptr;
  InputHandedOver_ = false;
}

TPluginHostAnswer TPluginHostLink::Call(TRequest request, std::string_view text,
                                        const std::string& plugin, const char* entry) {
  if (!Child_.IsStarted()) Start();
  const platform::SharedMemory* handOver = nullptr;
  if (request.Kind != TRequestKind::rkOpen && request.Kind != TRequestKind::rkClose &&
      request.HasData != 0 && !InputHandedOver_ && Input_ != nullptr) {
    handOver = Input_.get();
    request.InputMemorySize = Input_->Size();
  }
  request.TextSize = static_cast<std::uint32_t>(text.size());
  if (!Child_.Send(&request, sizeof request, handOver) ||
      (!text.empty() && !Child_.Send(text.data(), text.size(), nullptr))) {
    Abandon(plugin, entry, EndCause());
  }
  if (handOver != nullptr) InputHandedOver_ = true;

  TPluginHostAnswer result;
  const int limitMs = timeoutSeconds > 0 ? timeoutSeconds * 1000 : -1;
  platform::SharedMemoryHandle none;
  switch (Child_.Receive(&result.Answer, sizeof result.Answer, limitMs, result.Memory)) {
    case platform::TChannelRead::crDone:
      break;
    case platform::TChannelRead::crClosed:
      Abandon(plugin, entry, EndCause());
    case platform::TChannelRead::crTimedOut:
      Abandon(plugin, entry, Format(spi_messages::SHostSilent, {timeoutSeconds}));
  }
  const TAnswer& answer = result.Answer;
  if (answer.Magic != host_protocol::kAnswerMagic || answer.TextSize > host_protocol::kMaxText) {
    Abandon(plugin, entry, spi_messages::SHostBroken);
  }
  result.Text.resize(answer.TextSize);
  // The text follows the answer at once; a helper that stops in between has stopped answering.
  if (answer.TextSize > 0 &&
      Child_.Receive(result.Text.data(), result.Text.size(), kEndWaitMs * 5, none) !=
          platform::TChannelRead::crDone) {
    Abandon(plugin, entry, spi_messages::SHostBroken);
  }
  // The call itself is over; a helper that has run out of memory or damaged its heap on the way
  // is replaced.
  if ((kRetireAbove != 0 && answer.MemoryInUse > kRetireAbove) || answer.HeapDamaged != 0) {
    Child_ = platform::ChildProcess();
  }
  return result;
}

namespace {

TPluginHostLink& TheHelper() {
  // Its path is settled when it starts, so that SetPluginHostPath may come later.
  static TPluginHostLink link("");
  return link;
}

#if defined(_WIN32) && defined(_WIN64)
TPluginHostLink& The32BitHelper() {
  static TPluginHostLink link("", THelperBitness::hbOther32);
  return link;
}
#endif

}  // namespace

TPluginHostLink& PluginHostFor(const std::string& modulePath) {
#if defined(_WIN32) && defined(_WIN64)
  // A 32-bit module loads only in a 32-bit process; every other goes to our own helper, which
  // refuses what it cannot load.
  if (ModuleMachineOf(modulePath) == TModuleMachine::mmX86) return The32BitHelper();
#else
  (void)modulePath;
#endif
  return TheHelper();
}

void EndPluginHosts() {
  TheHelper().End();
#if defined(_WIN32) && defined(_WIN64)
  The32BitHelper().End();
#endif
}

void UsePluginHost(THelperMissing missing) {
  helperMissing = missing;
  SetSpiModuleOpener(&TRemoteSpiModule::Open);
}

std::shared_ptr<platform::SharedMemory> NewPluginInput(std::size_t size) {
  if (SpiModuleOpener() != &TRemoteSpiModule::Open || size <= host_protocol::kKeptInputSize) {
    return nullptr;
  }
  auto memory = std::make_shared<platform::SharedMemory>(platform::SharedMemory::Create(size));
  if (!memory->IsValid()) return nullptr;
  lastPluginInput = memory;
  return memory;
}

THelperMissing HelperMissing() { return helperMissing; }

void SetPluginHostPath(const std::string& path) { helperPath = path; }

void SetPluginTimeout(int seconds) { timeoutSeconds = seconds; }

int PluginTimeout() { return timeoutSeconds; }
