// The program's side of the plug-in helper: starts tintsight-plugin-host at first need, sends it
// one request at a time and reads its answer, checked as if read from a file. A helper that dies
// or does not answer within the time limit ends the call in flight with ESPIFault; one that still
// runs is killed, and the next call starts a new one (whose modules are loaded again by
// TRemoteSpiModule, which sees the generation change).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/child_process.h"
#include "platform/shared_memory.h"
#include "plugins/host_protocol.h"
#include "rtl/exception.h"

// A plug-in helper that cannot be started (missing, not executable, not ours). The message says
// which helper and why, on one line.
TS_DECLARE_EXCEPTION(ESPIHostStart, Exception);

// What one request brought back.
struct TPluginHostAnswer {
  host_protocol::TAnswer Answer;
  std::string Text;
  // The block handed over with the answer, not yet mapped (see platform::SharedMemory::Map).
  platform::SharedMemoryHandle Memory;
};

// Which helper a link starts when it is given no path.
enum class THelperBitness {
  hbOwn,      // the program's own bitness: tintsight-plugin-host
  hbOther32,  // 64-bit Windows programs: the 32-bit tintsight-plugin-host32.exe beside that one
};

class TPluginHostLink {
 public:
  // `helperPath`: the helper's executable (UTF-8); empty: the one of `bitness` beside the program,
  // or beside the one SetPluginHostPath names, as it is when the helper starts.
  explicit TPluginHostLink(std::string helperPath,
                           THelperBitness bitness = THelperBitness::hbOwn);
  TPluginHostLink(const TPluginHostLink&) = delete;
  TPluginHostLink& operator=(const TPluginHostLink&) = delete;
  // Closes the channel; a helper that does not end by itself shortly is killed.
  ~TPluginHostLink();

  // Sends `request` with `text` and returns the answer, starting the helper first when none runs.
  // `plugin` and `entry` name the call in failures: ESPIFault "%s:Susie Pluginの%s: %s" with the
  // cause ("the plug-in's process ended with SIGSEGV", "no answer within 60 s", ...) when the
  // helper dies, stays silent past the limit or answers what cannot be; ESPIHostStart when no
  // helper can be started.
  TPluginHostAnswer Call(host_protocol::TRequest request, std::string_view text,
                         const std::string& plugin, const char* entry);

  // Puts `size` bytes at `data` into the input memory for the next Call, zero-filled up to the
  // 2048-byte probe. Bytes that start a block from NewPluginInput are handed over where they
  // lie, not copied. False when no memory could be had for them.
  bool SetInput(const void* data, std::size_t size);

  // Gives up an input memory larger than host_protocol::kKeptInputSize, as the helper does after
  // a picture call.
  void DropLargeInput();

  // Changes whenever a new helper starts: modules opened in an earlier one are gone.
  std::uint64_t Generation() const { return Generation_; }
  bool IsRunning() const { return Child_.IsStarted(); }
  // Closes the channel and waits for the helper to end; one that does not end shortly is killed.
  void End();
  // Kills the helper at once: it answered what cannot be, and is not asked again.
  void Discard() { Child_ = platform::ChildProcess(); }

 private:
  void Start();
  // Ends the running helper and raises ESPIFault with `cause`.
  [[noreturn]] void Abandon(const std::string& plugin, const char* entry, const std::string& cause);
  // The cause when the helper closed its channel: how it ended.
  std::string EndCause();

  std::string HelperPath_;
  THelperBitness Bitness_;
  platform::ChildProcess Child_;
  std::uint64_t Generation_ = 0;
  // Shared with the reader of a block from NewPluginInput, which may outlive it here.
  std::shared_ptr<platform::SharedMemory> Input_;
  bool InputHandedOver_ = false;
};

// The helper that serves the module at `modulePath`: on 64-bit Windows the 32-bit one for a
// 32-bit module (module_machine.h, by the module's header, not its name); else the program's own.
TPluginHostLink& PluginHostFor(const std::string& modulePath);

// What a module does when no helper can be started for it.
enum class THelperMissing {
  hmRaise,      // its opening fails with ESPIHostStart, which the plug-in search passes on (CLI)
  hmNotLoaded,  // it does not load (ESPIFOpenErrorSPI): the search passes it over, and a picture
                // that only it would decode fails to load (the window)
};

// Makes every plug-in module from now on open in the plug-in helper (SetSpiModuleOpener). The
// helper is found beside the running program unless SetPluginHostPath named another.
void UsePluginHost(THelperMissing missing = THelperMissing::hmRaise);
void SetPluginHostPath(const std::string& path);
THelperMissing HelperMissing();

// Ends every running helper now, waiting for each to end (it unloads what it still holds). The
// next call starts a new one.
void EndPluginHosts();

// Memory of `size` bytes for a picture that plug-ins may be offered, when they run in the helper
// and `size` is larger than host_protocol::kKeptInputSize: bytes read into it are handed to the
// helper where they lie, so that a large picture is neither copied nor held twice. The caller
// and the helper's link share it; it is freed when both let go. Null otherwise, or when the
// system refuses it: the caller then uses memory of its own. Its first bytes are those the
// plug-ins get; the helper maps it too, so what it holds is read as a file's bytes are.
std::shared_ptr<platform::SharedMemory> NewPluginInput(std::size_t size);

// The time limit of every call into the helper, in seconds; 0 for none. The default is 60.
void SetPluginTimeout(int seconds);
int PluginTimeout();
