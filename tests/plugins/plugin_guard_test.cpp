// Faults inside a plug-in: every entry point, loading and unloading, under the guard, through the
// fault variant of the test plug-in (TP_FAULT says where and how it misbehaves); and what only a
// helper process survives (a corrupted heap, a call that never returns, the process's end, memory
// running out), through the plug-in helper.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include <filesystem>
#include <fstream>
#include <sstream>

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "platform/file.h"
#include "platform/low_memory.h"
#include "plugin_test_support.h"
#include "plugins/create_spi.h"
#include "plugins/in_spi.h"
#include "plugins/local_spi_module.h"
#include "plugins/module_machine.h"
#include "plugins/plugin_host_link.h"
#include "plugins/spi_exceptions.h"
#include "plugins/wide_info_record.h"

namespace {

using plugin_test::CopyPlugin;
using plugin_test::Text;

// Tells the fault variant where to misbehave next; "" for nowhere.
void SetFault(const std::string& setting) {
#ifdef _WIN32
  ::SetEnvironmentVariableA("TP_FAULT", setting.empty() ? nullptr : setting.c_str());
#else
  if (setting.empty()) ::unsetenv("TP_FAULT");
  else ::setenv("TP_FAULT", setting.c_str(), 1);
#endif
}

struct TFaultKind {
  const char* How;
  const char* Code;  // as the message shows it
};
#ifdef _WIN32
constexpr TFaultKind kKinds[] = {{"null", "0xC0000005"}, {"divide", "0xC0000094"},
                                 {"illegal", "0xC000001D"}, {"recursion", "0xC00000FD"},
                                 {"handover", "0xC0000005"}};
#else
constexpr TFaultKind kKinds[] = {{"null", "SIGSEGV"}, {"divide", "SIGFPE"}, {"illegal", "SIGILL"},
                                 {"recursion", "SIGSEGV"}, {"handover", "SIGSEGV"}};
#endif

std::string FaultMessage(const std::string& file, const std::string& entry, const char* code) {
  return file + ":Susie Pluginの" + entry + "で例外 " + code + " が発生しました";
}

// Calls `entry` of `spi` on a 1 x 2 picture; the result, with every block it returned freed.
std::int32_t CallEntry(TInSPI& spi, const std::string& entry, TSpiHandle& first,
                       TSpiHandle& second) {
  std::vector<char> picture = {'T', 'S', 'T', 'P', 1, 0, 2, 0};
  picture.resize(2048, 1);
  std::int32_t result = -1;
  if (entry == "IsSupported") {
    result = spi.IsSupported("x.tsp", reinterpret_cast<std::uintptr_t>(picture.data()));
  } else if (entry == "GetPictureInfo") {
    TPictureInfo info{};
    result = spi.GetPictureInfo(picture.data(), 14, 1, info);
    first = info.hInfo;
  } else if (entry == "GetPicture") {
    result = spi.GetPicture(picture.data(), 14, 1, first, second, nullptr, 0);
  } else {
    result = spi.GetPreview(picture.data(), 14, 1, first, second, nullptr, 0);
  }
  return result;
}

TEST(PluginGuard, AFaultInAnEntryPointCostsThatCallAndTheModuleGoesOnWorking) {
  plugin_test::TTempDir dir;
  const std::string path = Text(CopyPlugin("tp_in_faulty", dir.Path(), "faulty.spi"));
  SetFault("");
  TInSPI spi(path);
  for (const char* entry : {"IsSupported", "GetPictureInfo", "GetPicture", "GetPreview"}) {
    for (const TFaultKind& kind : kKinds) {
      const std::string what = std::string(entry) + ":" + kind.How;
      // Twice: after a stack overflow the next one must be caught as well.
      for (int round = 0; round < 2; ++round) {
        SetFault(what);
        TSpiHandle first = nullptr;
        TSpiHandle second = nullptr;
        try {
          CallEntry(spi, entry, first, second);
          ADD_FAILURE() << what << ": no exception";
        } catch (const ESPIFault& e) {
          EXPECT_EQ(e.Message(), FaultMessage(spi.FileName(), entry, kind.Code)) << what;
        }
        // Blocks handed over before the fault were freed (the sanitizer build sees a leak).
        EXPECT_EQ(first, nullptr) << what;
        EXPECT_EQ(second, nullptr) << what;
      }
      SetFault("");
      TSpiHandle first = nullptr;
      TSpiHandle second = nullptr;
      EXPECT_EQ(CallEntry(spi, entry, first, second), entry == std::string("IsSupported") ? 1 : 0)
          << what << ": the next call works";
      if (first != nullptr) SpiLocalFree(first);
      if (second != nullptr) SpiLocalFree(second);
    }
  }
  // A fault that the plug-in handles itself is its own affair: the call goes on to decode.
  SetFault("GetPicture:handled");
  TSpiHandle info = nullptr;
  TSpiHandle bits = nullptr;
  EXPECT_EQ(CallEntry(spi, "GetPicture", info, bits), SPI_SUCCESS);
  EXPECT_EQ(SpiLocalSize(bits), 8u);
  SpiLocalFree(info);
  SpiLocalFree(bits);
  SetFault("");
}

TEST(PluginGuard, AModuleThatFaultsWhileOpeningIsPassedOver) {
  plugin_test::TTempDir dir;
  int copies = 0;
  // A module that faulted while loading may stay half-loaded, so each attempt gets a copy.
  const auto copy = [&] {
    return Text(CopyPlugin("tp_in_faulty", dir.Path(), std::to_string(copies++) + ".spi"));
  };
  // A fault in the module's start-up code, a stack overflow included, does not load it, whoever
  // meets the fault first (on Windows the system's loader does). Each overflow row overflows
  // twice, and GetPluginInfo's overflow follows the start-up's on the same thread: each is
  // caught only if the one before left the stack guarded.
  for (const TFaultKind& kind : kKinds) {
    for (const std::string where : {"load", "GetPluginInfo"}) {
      const std::string what = where + ":" + kind.How;
      const std::string path = copy();
      SetFault(what);
      try {
        TInSPI{path};
        ADD_FAILURE() << what << ": no exception";
      } catch (const ESPIFOpenErrorSPI& e) {
        EXPECT_EQ(where, "load") << what;
        EXPECT_EQ(e.Message(), path + ":Susie Pluginがロードできませんでした") << what;
      } catch (const ESPIFault& e) {
        EXPECT_EQ(where, "GetPluginInfo") << what;
        EXPECT_EQ(e.Message(), FaultMessage(path, where, kind.Code)) << what;
      }
      EXPECT_EQ(CreateSPI(copy()), nullptr) << what;
    }
  }
  // Unloading runs the module's code too; a fault there is not ours to report.
  const std::string path = copy();
  SetFault("");
  auto spi = std::make_unique<TInSPI>(path);
  SetFault("unload:null");
  EXPECT_NO_THROW(spi.reset());
  SetFault("");
  EXPECT_NE(CreateSPI(copy()), nullptr);
}

}  // namespace

namespace {

// The fault variant's setting for plug-ins in the helper, which keeps the environment it was
// started with: a file named by TP_FAULT_FILE, read at every call, the same for the whole test
// program, since a helper started by one test serves the next.
class THelperFaults {
 public:
  THelperFaults()
      : File_(std::filesystem::temp_directory_path() /
              ("tintsight-fault-" + std::to_string(platform::ProcessId()) + ".txt")) {
    Set("");
#ifdef _WIN32
    ::SetEnvironmentVariableA("TP_FAULT_FILE", Text(File_).c_str());
#else
    ::setenv("TP_FAULT_FILE", Text(File_).c_str(), 1);
#endif
    SetPluginHostPath(TS_PLUGIN_HOST_PATH);
    UsePluginHost();
    SetPluginTimeout(1);
  }
  ~THelperFaults() {
    std::filesystem::remove(File_);
    SetSpiModuleOpener(&TLocalSpiModule::Open);
    SetPluginTimeout(60);
  }
  void Set(const std::string& setting) { plugin_test::WriteFile(File_, setting); }
  const plugin_test::TTempDir& Dir() const { return Dir_; }

 private:
  plugin_test::TTempDir Dir_;
  std::filesystem::path File_;
};

#ifndef _WIN32
// This process's children that have not ended: the helpers still running.
std::vector<int> LiveChildren(int parent = ::getpid()) {
  std::vector<int> children;
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    const std::string name = entry.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream stat(entry.path() / "stat");
    std::string line;
    std::getline(stat, line);
    const std::size_t close = line.rfind(')');
    if (close == std::string::npos) continue;
    char state = 0;
    int ppid = 0;
    std::istringstream(line.substr(close + 2)) >> state >> ppid;
    if (ppid == parent && state != 'Z') children.push_back(std::stoi(name));
  }
  return children;
}
#endif

// Where the helper's memory has no bound of ours (the sanitizer's own reservations; a 64-bit
// Windows helper), memory is not exhausted on purpose.
#if defined(__SANITIZE_ADDRESS__) || defined(_WIN64)
constexpr bool kUnbounded = true;
#else
constexpr bool kUnbounded = false;
#endif

TEST(PluginHost, EachFailureCostsThatCallOnlyAndTheNextCallWorks) {
#ifdef _WIN32
  const std::string nullFault = "0xC0000005";
#else
  const std::string nullFault = "SIGSEGV";
#endif
  struct TCase {
    const char* Fault;
    const char* Entry;
    std::string Cause;  // how the message ends; empty: the call may also succeed
  };
  const TCase cases[] = {
      // A plain fault is caught in the helper, which goes on serving.
      {"GetPicture:null", "GetPicture", "で例外 " + nullFault + " が発生しました"},
      {"GetPicture:exit", "GetPicture", ": the plug-in's process ended with exit code 3"},
      {"IsSupported:exit", "IsSupported", ": the plug-in's process ended with exit code 3"},
      {"GetPicture:hang", "GetPicture", ": no answer within 1 s"},
      {"GetPictureInfo:hang", "GetPictureInfo", ": no answer within 1 s"},
      // The overrun is found by the helper's heap, in this call or a later one.
      {"GetPicture:heap", "GetPicture", ""},
      {"GetPicture:heap", "GetPicture", ""},
      // The helper runs out of memory and is retired.
      {"GetPicture:exhaust", "GetPicture", kUnbounded ? "skip" : ""},
  };
  THelperFaults faults;
  const std::string path = Text(CopyPlugin("tp_in_faulty", faults.Dir().Path(), "faulty.spi"));
  TInSPI spi(path);
  for (const TCase& c : cases) {
    if (c.Cause == "skip") continue;
    faults.Set(c.Fault);
    TSpiHandle first = nullptr;
    TSpiHandle second = nullptr;
    try {
      const std::int32_t result = CallEntry(spi, c.Entry, first, second);
      EXPECT_TRUE(c.Cause.empty()) << c.Fault << ": returned " << result;
    } catch (const ESPIFault& e) {
      const std::string prefix = spi.FileName() + ":Susie Pluginの" + c.Entry;
      if (!c.Cause.empty()) {
        EXPECT_EQ(e.Message(), prefix + c.Cause) << c.Fault;
      } else {
        EXPECT_EQ(e.Message().rfind(prefix, 0), 0u) << c.Fault << ": " << e.Message();
      }
      EXPECT_EQ(first, nullptr) << c.Fault;
      EXPECT_EQ(second, nullptr) << c.Fault;
    }
    if (first != nullptr) SpiLocalFree(first);
    if (second != nullptr) SpiLocalFree(second);
    faults.Set("");
    TSpiHandle info = nullptr;
    TSpiHandle bits = nullptr;
    EXPECT_EQ(CallEntry(spi, "GetPicture", info, bits), SPI_SUCCESS) << c.Fault << ": the next call";
    EXPECT_EQ(SpiLocalSize(bits), 8u) << c.Fault;
    if (info != nullptr) SpiLocalFree(info);
    if (bits != nullptr) SpiLocalFree(bits);
#ifndef _WIN32
    EXPECT_EQ(LiveChildren().size(), 1u) << c.Fault << ": one helper, none left behind";
#endif
  }
  // A module that faults, or ends the helper, while it loads or describes itself is passed over
  // like one that does not load.
  int copies = 0;
  for (const char* fault : {"load:exit", "GetPluginInfo:null", "GetPluginInfo:exit"}) {
    faults.Set(fault);
    EXPECT_EQ(CreateSPI(Text(CopyPlugin("tp_in_faulty", faults.Dir().Path(),
                                        std::to_string(copies++) + ".spi"))),
              nullptr)
        << fault;
  }
  faults.Set("");
  EXPECT_NE(CreateSPI(Text(CopyPlugin("tp_in_faulty", faults.Dir().Path(), "third.spi"))),
            nullptr);

  // No helper to start: said once, not passed over as a module that does not load.
  EndPluginHosts();
  const std::string missing = Text(faults.Dir().Path() / "no-such-helper");
  SetPluginHostPath(missing);
  try {
    CreateSPI(Text(CopyPlugin("tp_in_faulty", faults.Dir().Path(), "fourth.spi")));
    ADD_FAILURE() << "no exception";
  } catch (const ESPIHostStart& e) {
    EXPECT_EQ(e.Message(), "the plug-in host " + missing + " cannot be started: no such file");
  }
  SetPluginHostPath(TS_PLUGIN_HOST_PATH);
}

// Modules as 64-bit Windows plug-ins are: a picture-information record packed or padded, and
// buffer addresses kept in 32 bits. Each is served in full through the helper (on other builds
// only the packed module exists, and the record's reading is checked on its own).
TEST(PluginHost, SixtyFourBitModulesAsTheyAreAreServedInFull) {
  struct TRecord {
    const char* What;
    std::vector<std::pair<int, std::uint8_t>> Bytes;  // offset, value
    std::uint64_t Handle;
  };
  const TRecord records[] = {
      {"none", {}, 0},
      {"packed", {{22, 0x10}, {23, 0x32}, {24, 0x54}}, 0x543210},
      {"padded", {{24, 0x10}, {25, 0x32}}, 0x3210},
      {"padded, fields before", {{0, 7}, {20, 24}, {24, 0x10}}, 0x10},
      {"bytes 30-31: neither layout", {{22, 0x10}, {31, 0x01}}, 0},
  };
  for (const TRecord& r : records) {
    std::uint8_t record[kWideInfoRecordBytes] = {};
    for (const auto& [at, value] : r.Bytes) record[at] = value;
    EXPECT_EQ(WideInfoRecordHandle(record), r.Handle) << r.What;
  }
  // The helper's buffers lie below 4 GB, and a program's static data does not (on 64-bit
  // Windows its image lies above; under Wine the helper's shared views happen to lie below, so the
  // module that cuts addresses works there even without the copies).
  for (const std::size_t size : {std::size_t{1}, std::size_t{2048}, std::size_t{64} << 20}) {
    const platform::LowMemory block = platform::LowMemory::Allocate(size);
    ASSERT_TRUE(block.IsValid()) << size;
    EXPECT_TRUE(platform::LowMemory::IsLow(block.Data(), size)) << size;
    EXPECT_EQ(block.Data()[size - 1], 0) << size;
  }
#if defined(_WIN32) && defined(_WIN64)
  static const char kStatic[16] = {};
  EXPECT_FALSE(platform::LowMemory::IsLow(kStatic, sizeof kStatic));
#endif

  THelperFaults faults;
#if defined(_WIN32) && defined(_WIN64)
  const char* const variants[] = {"tp_in", "tp_in_padded", "tp_in_address32"};
#else
  const char* const variants[] = {"tp_in"};
#endif
  for (const char* variant : variants) {
    TInSPI spi(Text(CopyPlugin(variant, faults.Dir().Path(), std::string(variant) + ".sph")));
    TSpiHandle first = nullptr;
    TSpiHandle second = nullptr;
    EXPECT_EQ(CallEntry(spi, "IsSupported", first, second), 1) << variant;
    EXPECT_EQ(CallEntry(spi, "GetPictureInfo", first, second), SPI_SUCCESS) << variant;
    ASSERT_NE(first, nullptr) << variant << ": the information text";
    EXPECT_STREQ(static_cast<const char*>(SpiLocalLock(first)), "Tintsight test picture") << variant;
    SpiLocalUnlock(first);
    SpiLocalFree(first);
    first = nullptr;
    EXPECT_EQ(CallEntry(spi, "GetPicture", first, second), SPI_SUCCESS) << variant;
    EXPECT_EQ(SpiLocalSize(second), 8u) << variant;
    if (first != nullptr) SpiLocalFree(first);
    if (second != nullptr) SpiLocalFree(second);
  }
  // The helper that serves a module is chosen by its header, not its name.
#if defined(_WIN32) && defined(_WIN64)
  const TModuleMachine own = TModuleMachine::mmX64;
#elif defined(_WIN32)
  const TModuleMachine own = TModuleMachine::mmX86;
#else
  const TModuleMachine own = TModuleMachine::mmOther;
#endif
  EXPECT_EQ(ModuleMachineOf(Text(plugin_test::TestPlugin("tp_in"))), own);
  plugin_test::WriteFile(faults.Dir().Path() / "text.spi", "MZ, and no module after it");
  EXPECT_EQ(ModuleMachineOf(Text(faults.Dir().Path() / "text.spi")), TModuleMachine::mmOther);
}

TEST(PluginHost, AnswersThatCannotBeEndTheCallAndTheHelper) {
  THelperFaults faults;
  const std::string path = Text(CopyPlugin("tp_in", faults.Dir().Path(), "honest.spi"));
  SetPluginHostPath(TS_LYING_PLUGIN_HOST_PATH);
  for (const char* lie : {"magic", "text", "blocks", "order", "fault"}) {
    EndPluginHosts();
#ifdef _WIN32
    ::SetEnvironmentVariableA("TS_LIE", lie);
#else
    ::setenv("TS_LIE", lie, 1);
#endif
    TInSPI spi(path);
    TSpiHandle info = nullptr;
    TSpiHandle bits = nullptr;
    try {
      CallEntry(spi, "GetPicture", info, bits);
      ADD_FAILURE() << lie << ": believed";
    } catch (const ESPIFault& e) {
      EXPECT_EQ(e.Message(), spi.FileName() +
                                 ":Susie PluginのGetPicture: the plug-in's process answered what "
                                 "cannot be")
          << lie;
    }
    EXPECT_EQ(info, nullptr) << lie;
    EXPECT_EQ(bits, nullptr) << lie;
#ifndef _WIN32
    EXPECT_EQ(LiveChildren().size(), 0u) << lie << ": the helper was killed";
#endif
  }
  EndPluginHosts();
  SetPluginHostPath(TS_PLUGIN_HOST_PATH);
}

#ifndef _WIN32
TEST(PluginHost, NoHelperOutlivesAProgramThatIsKilled) {
  THelperFaults faults;
  const std::string path = Text(CopyPlugin("tp_in_faulty", faults.Dir().Path(), "faulty.spi"));
  faults.Set("GetPicture:hang");
  const pid_t program = ::fork();
  if (program == 0) {
    // The program: its helper hangs in a call that has no time limit.
    SetPluginTimeout(0);
    try {
      TInSPI spi(path);
      TSpiHandle first = nullptr;
      TSpiHandle second = nullptr;
      CallEntry(spi, "GetPicture", first, second);
    } catch (...) {
    }
    ::_exit(0);
  }
  ASSERT_GT(program, 0);
  std::vector<int> helpers;
  for (int i = 0; i < 500 && helpers.empty(); ++i) {
    ::usleep(10000);
    helpers = LiveChildren(program);
  }
  ASSERT_EQ(helpers.size(), 1u) << "the program started its helper";
  ::kill(program, SIGKILL);
  ::waitpid(program, nullptr, 0);
  bool gone = false;
  for (int i = 0; i < 500 && !gone; ++i) {
    std::ifstream stat("/proc/" + std::to_string(helpers[0]) + "/stat");
    std::string line;
    gone = !std::getline(stat, line) || line.substr(line.rfind(')') + 2, 1) == "Z";
    if (!gone) ::usleep(10000);
  }
  EXPECT_TRUE(gone) << "helper " << helpers[0] << " still runs";
}
#endif

}  // namespace
