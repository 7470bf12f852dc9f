// Faults inside a plug-in: every entry point, loading and unloading, under the guard, through the
// fault variant of the test plug-in (TP_FAULT says where and how it misbehaves).
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

#include "plugin_test_support.h"
#include "plugins/create_spi.h"
#include "plugins/in_spi.h"
#include "plugins/spi_exceptions.h"

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
