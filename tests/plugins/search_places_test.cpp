// Discovery across the search places. These tests arrange the real places of this process (its
// executable's directory, its current directory, and on Windows the registry value and the system
// and Windows directories), so they run one at a time (RESOURCE_LOCK) and put back what they
// changed.
#include "plugins/spi_search_places.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

#include "platform/known_paths.h"
#include "plugin_test_support.h"
#include "plugins/spis.h"
#include "rtl/file_name.h"

namespace fs = std::filesystem;

namespace {

using plugin_test::Text;
using enum TSPISearchOption;

#ifdef _WIN32

// The Susie viewer's registry value, set as a test needs it and put back afterwards.
class TSusieRegistry {
 public:
  TSusieRegistry() {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
      KeyExisted_ = true;
      DWORD size = 0;
      if (::RegQueryValueExW(key, L"Path", nullptr, &SavedType_, nullptr, &size) ==
          ERROR_SUCCESS) {
        Saved_.emplace(size, 0);
        ::RegQueryValueExW(key, L"Path", nullptr, &SavedType_, Saved_->data(), &size);
      }
      ::RegCloseKey(key);
    }
  }
  ~TSusieRegistry() {
    if (!KeyExisted_) {
      DeleteKey();
    } else if (Saved_) {
      SetRaw(SavedType_, Saved_->data(), static_cast<DWORD>(Saved_->size()));
    } else {
      DeleteValue();
    }
  }

  void SetText(DWORD type, const std::string& text) {
    const std::wstring wide = fs::u8path(text).wstring();
    SetRaw(type, reinterpret_cast<const BYTE*>(wide.c_str()),
           static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t)));
  }
  void SetNumber(DWORD number) {
    SetRaw(REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
  }
  void DeleteValue() {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, kKey, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
      ::RegDeleteValueW(key, L"Path");
      ::RegCloseKey(key);
    }
  }
  void DeleteKey() { ::RegDeleteKeyW(HKEY_CURRENT_USER, kKey); }

 private:
  static constexpr wchar_t kKey[] = L"Software\\Rokumaru\\Susie\\Plug-in";

  void SetRaw(DWORD type, const BYTE* data, DWORD size) {
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                &key, nullptr),
              ERROR_SUCCESS);
    ::RegSetValueExW(key, L"Path", 0, type, data, size);
    ::RegCloseKey(key);
  }

  bool KeyExisted_ = false;
  DWORD SavedType_ = 0;
  std::optional<std::vector<BYTE>> Saved_;
};

#endif

class SearchPlacesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SavedCurrentDirectory_ = platform::CurrentDirectory();
    AppDir = fs::u8path(ExtractFileDir(platform::ExecutablePath()));
    AppPluginDir = AppDir / "SusiePlugin";
    CreatedAppPluginDir_ = fs::create_directory(AppPluginDir);
  }

  void TearDown() override {
    platform::ChangeCurrentDirectory(SavedCurrentDirectory_);
    std::error_code ignored;
    for (const fs::path& file : Placed_) fs::remove(file, ignored);
    if (CreatedAppPluginDir_) fs::remove(AppPluginDir, ignored);
  }

  // Puts a copy of the test plug-in into `directory` under a name that says where it lies.
  // False when the directory does not take files (a system directory on a real Windows).
  bool Place(const fs::path& directory, const std::string& place) {
    std::error_code error;
    const fs::path target = directory / ("tintsight-test-" + place + ".spi");
    fs::copy_file(plugin_test::TestPlugin("tp_in"), target, fs::copy_options::overwrite_existing,
                  error);
    if (error) return false;
    Placed_.push_back(target);
    return true;
  }

  static void ChangeTo(const fs::path& directory) {
    ASSERT_TRUE(platform::ChangeCurrentDirectory(Text(directory))) << Text(directory);
  }

  // The places of the test modules that `options` found, in the collection's order.
  static std::vector<std::string> Found(TSPIs& spis) {
    std::vector<std::string> places;
    for (int i = 0; i < spis.Count(); ++i) {
      std::string name = ExtractFileName(spis.Plugins(i)->FileName());
      const std::string prefix = "tintsight-test-";
      if (name.rfind(prefix, 0) != 0) continue;  // not ours: someone else's module
      name.erase(0, prefix.size());
      name.erase(name.size() - 4);
      places.push_back(name);
    }
    return places;
  }

  static std::vector<std::string> Search(TSPISearchOptions options) {
    TSPIs spis(nullptr);
    spis.SetSearchOptions(options);
    spis.Search("*.spi");
    return Found(spis);
  }

  fs::path AppDir;
  fs::path AppPluginDir;

 private:
  std::string SavedCurrentDirectory_;
  bool CreatedAppPluginDir_ = false;
  std::vector<fs::path> Placed_;
};

TEST_F(SearchPlacesTest, TheProgramsPlacesFollowItsExecutable) {
  EXPECT_TRUE(fs::equivalent(AppDir, fs::u8path(TS_PLACES_EXE_DIR))) << Text(AppDir);
  std::string pluginDir = Text(AppDir);
  pluginDir += PathDelimiter();
  pluginDir += "SusiePlugin";
  EXPECT_EQ(SPISearchPlaceDirectory(spsAppPluginDir), pluginDir);
}

TEST_F(SearchPlacesTest, DiscoveryFollowsTheFixedOrderOfPlaces) {
  plugin_test::TTempDir susie;
  plugin_test::TTempDir current;
  std::vector<std::string> all;
  std::vector<std::string> systemPlaces;
#ifdef _WIN32
  TSusieRegistry registry;
  registry.SetText(REG_SZ, Text(susie.Path()));
  ASSERT_TRUE(Place(susie.Path(), "susie"));
  all.push_back("susie");
#endif
  ASSERT_TRUE(Place(AppPluginDir, "appplugin"));
  ASSERT_TRUE(Place(AppDir, "app"));
  ASSERT_TRUE(Place(current.Path(), "current"));
  all.insert(all.end(), {"appplugin", "app", "current"});
  ChangeTo(current.Path());
#ifdef _WIN32
  if (Place(fs::u8path(platform::SystemDirectory()), "system")) systemPlaces.push_back("system");
  if (Place(fs::u8path(platform::WindowsDirectory()), "windows")) {
    systemPlaces.push_back("windows");
  }
#endif
  all.insert(all.end(), systemPlaces.begin(), systemPlaces.end());

  struct Case {
    TSPISearchOptions options;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {TSPISearchOptions::All(), all},
      {{spsCurrentDir, spsAppDir}, {"app", "current"}},
      {{spsAppDir, spsAppPluginDir}, {"appplugin", "app"}},
      {{spsSystemDir, spsWindowsDir}, systemPlaces},
      {{}, {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Search(c.options), c.expected) << "options " << int{c.options.Bits()};
  }
}

TEST_F(SearchPlacesTest, TheSameDirectoryReachedTwiceOpensEachModuleOnce) {
  ASSERT_TRUE(Place(AppDir, "app"));
  ChangeTo(AppDir);
  ASSERT_EQ(SPISearchPlaceDirectory(spsCurrentDir), SPISearchPlaceDirectory(spsAppDir));
  TSPIs spis(nullptr);
  spis.SetSearchOptions({spsAppDir, spsCurrentDir});
  int offered = 0;
  spis.SetOnSearch([&](TSPIs&, TSPI&, bool&) { ++offered; });
  spis.Search("*.spi");
  EXPECT_EQ(Found(spis), std::vector<std::string>{"app"});
  EXPECT_EQ(offered, 1);
}

TEST_F(SearchPlacesTest, APatternWithADirectoryIgnoresThePlaces) {
  plugin_test::TTempDir other;
  ASSERT_TRUE(Place(AppDir, "app"));
  ASSERT_TRUE(Place(other.Path(), "other"));
  ChangeTo(AppDir);
  TSPIs spis(nullptr);
  spis.SetSearchOptions(TSPISearchOptions::All());
  spis.Search(other.Prefix() + "*.spi");
  EXPECT_EQ(Found(spis), std::vector<std::string>{"other"});
}

TEST_F(SearchPlacesTest, LoadedSearchesOnlyWithAutoSearch) {
  plugin_test::TTempDir current;
  ASSERT_TRUE(Place(current.Path(), "current"));
  ChangeTo(current.Path());
  for (const bool autoSearch : {true, false}) {
    TComponent owner(nullptr);
    TSPIs* spis = MakeOwnedComponent<TSPIs>(owner);
    spis->SetSearchOptions({spsCurrentDir});
    spis->SetAutoSearch(autoSearch);
    EXPECT_EQ(spis->Count(), 0) << "made by code, nothing is searched before Loaded";
    spis->Loaded();
    EXPECT_EQ(Found(*spis), autoSearch ? std::vector<std::string>{"current"}
                                       : std::vector<std::string>{})
        << "AutoSearch " << autoSearch;
  }
}

#ifdef _WIN32

TEST_F(SearchPlacesTest, RegistryTroubleIsSilent) {
  plugin_test::TTempDir susie;
  plugin_test::TTempDir current;
  ASSERT_TRUE(Place(susie.Path(), "susie"));
  ASSERT_TRUE(Place(current.Path(), "current"));
  ChangeTo(current.Path());
  TSusieRegistry registry;
  enum TState { stNoKey, stNoValue, stEmpty, stNumber, stExpandable, stString };
  struct Case {
    TState state;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {stNoKey, {"current"}},
      {stNoValue, {"current"}},
      {stEmpty, {"current"}},
      {stNumber, {"current"}},
      {stExpandable, {"susie", "current"}},
      {stString, {"susie", "current"}},
  };
  for (const Case& c : cases) {
    switch (c.state) {
      case stNoKey: registry.DeleteKey(); break;
      case stNoValue: registry.SetText(REG_SZ, "x"); registry.DeleteValue(); break;
      case stEmpty: registry.SetText(REG_SZ, ""); break;
      case stNumber: registry.SetNumber(1); break;
      case stExpandable: registry.SetText(REG_EXPAND_SZ, Text(susie.Path())); break;
      case stString: registry.SetText(REG_SZ, Text(susie.Path())); break;
    }
    EXPECT_EQ(Search({spsSusieDir, spsCurrentDir}), c.expected) << "state " << c.state;
  }
  // The text is taken as stored: a variable in it is not expanded.
  ::SetEnvironmentVariableW(L"TINTSIGHT_TEST_DIR", susie.Path().wstring().c_str());
  registry.SetText(REG_EXPAND_SZ, "%TINTSIGHT_TEST_DIR%");
  EXPECT_EQ(SusiePluginDirectory(), "%TINTSIGHT_TEST_DIR%");
  EXPECT_EQ(Search({spsSusieDir}), std::vector<std::string>{});
}

#else

TEST_F(SearchPlacesTest, WithoutARegistryTheSusieOptionFindsNothing) {
  EXPECT_EQ(SusiePluginDirectory(), "");
  EXPECT_EQ(SPISearchPlaceDirectory(spsSusieDir), "");
  EXPECT_EQ(SPISearchPlaceDirectory(spsSystemDir), "");
  EXPECT_EQ(SPISearchPlaceDirectory(spsWindowsDir), "");
  ASSERT_TRUE(Place(AppDir, "app"));
  EXPECT_EQ(Search({spsSusieDir, spsSystemDir, spsWindowsDir}), std::vector<std::string>{});
}

#endif

}  // namespace
