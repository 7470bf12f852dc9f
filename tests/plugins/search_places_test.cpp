// Discovery across the search places. These tests arrange the real places of this process (its
// executable's directory, its current directory, and on Windows the registry value and the system
// and Windows directories), so they run one at a time (RESOURCE_LOCK) and put back what they
// changed.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

#include "plugins/spi_search_places.h"

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

// The Susie viewer's registry value "Path", set as a test needs it and put back afterwards.
class TSusieRegistry {
 public:
  TSusieRegistry() {
    DWORD size = 0;
    if (Get(nullptr, &size) != ERROR_SUCCESS) return;
    Saved_.emplace(size, 0);
    Get(Saved_->data(), &size);
  }
  ~TSusieRegistry() {
    if (Saved_) {
      Set(SavedType_, Saved_->data(), Saved_->size());
    } else {
      DeleteValue();
    }
  }

  // Stores the `size` bytes at `data` as the value, of the registry type `type`.
  void Set(DWORD type, const void* data, std::size_t size) {
    ASSERT_EQ(
        ::RegSetKeyValueW(HKEY_CURRENT_USER, kKey, L"Path", type, data, static_cast<DWORD>(size)),
        ERROR_SUCCESS);
  }
  // Stores `text` (UTF-8) with its terminator.
  void SetText(DWORD type, const std::string& text) {
    const std::wstring wide = fs::u8path(text).wstring();
    Set(type, wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
  }
  void DeleteValue() { ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kKey, L"Path"); }
  void DeleteKey() { ::RegDeleteKeyW(HKEY_CURRENT_USER, kKey); }

 private:
  static constexpr wchar_t kKey[] = L"Software\\Rokumaru\\Susie\\Plug-in";
  LONG Get(void* data, DWORD* size) {
    return ::RegGetValueW(HKEY_CURRENT_USER, kKey, L"Path", RRF_RT_ANY | RRF_NOEXPAND, &SavedType_,
                          data, size);
  }
  DWORD SavedType_ = 0;
  std::optional<std::vector<BYTE>> Saved_;
};

#endif

std::vector<std::string> Joined(std::vector<std::string> first, const std::vector<std::string>& second) {
  first.insert(first.end(), second.begin(), second.end());
  return first;
}

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
  bool Place(const fs::path& directory, const std::string& place, const char* kind = ".spi") {
    std::error_code error;
    const fs::path target = directory / ("tintsight-test-" + place + kind);
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
    const std::string prefix = "tintsight-test-";
    std::vector<std::string> places;
    for (int i = 0; i < spis.Count(); ++i) {
      const std::string name = ExtractFileName(spis.Plugins(i)->FileName());
      // Only ours count: a system directory may hold someone else's module.
      if (name.starts_with(prefix))
        places.push_back(name.substr(prefix.size(), name.size() - prefix.size() - 4));
    }
    return places;
  }

  static std::vector<std::string> Search(TSPISearchOptions options) {
    TSPIs spis(nullptr);
    spis.SetSearchOptions(options);
    spis.SearchModules();
    return Found(spis);
  }

  fs::path AppDir;
  fs::path AppPluginDir;

 private:
  std::string SavedCurrentDirectory_;
  bool CreatedAppPluginDir_ = false;
  std::vector<fs::path> Placed_;
};

TEST_F(SearchPlacesTest, DiscoveryFollowsTheFixedOrderOfPlaces) {
  EXPECT_TRUE(fs::equivalent(AppDir, fs::u8path(TS_PLACES_EXE_DIR))) << Text(AppDir);
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
  // 64-bit Windows: a place's 64-bit modules come before its 32-bit ones; elsewhere *.sph is
  // not a plug-in.
  ASSERT_TRUE(Place(AppDir, "app64", ".sph"));
#if defined(_WIN32) && defined(_WIN64)
  const std::vector<std::string> app = {"app64", "app"};
#else
  const std::vector<std::string> app = {"app"};
#endif
  all.push_back("appplugin");
  all.insert(all.end(), app.begin(), app.end());
  all.push_back("current");
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
      {{spsCurrentDir, spsAppDir}, Joined(app, {"current"})},
      {{spsAppDir, spsAppPluginDir}, Joined({"appplugin"}, app)},
      {{spsSystemDir, spsWindowsDir}, systemPlaces},
      {{}, {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Search(c.options), c.expected) << "options " << int{c.options.Bits()};
  }
}

TEST_F(SearchPlacesTest, ADirectoryReachedTwiceIsScannedOnceAndAPatternsDirectoryReplacesAll) {
  plugin_test::TTempDir other;
  ASSERT_TRUE(Place(AppDir, "app"));
  ASSERT_TRUE(Place(other.Path(), "other"));
  ChangeTo(AppDir);
  ASSERT_EQ(SPISearchPlaceDirectory(spsCurrentDir), SPISearchPlaceDirectory(spsAppDir));
  TSPIs spis(nullptr);
  spis.SetSearchOptions({spsAppDir, spsCurrentDir});
  int offered = 0;
  spis.SetOnSearch([&](TSPIs&, TSPI&, bool&) { ++offered; });
  spis.Search("*.spi");
  EXPECT_EQ(Found(spis), std::vector<std::string>{"app"});
  EXPECT_EQ(offered, 1);

  spis.Clear();
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
    EXPECT_EQ(Found(*spis),
              autoSearch ? std::vector<std::string>{"current"} : std::vector<std::string>{})
        << "AutoSearch " << autoSearch;
  }
}

#ifdef _WIN32

TEST_F(SearchPlacesTest, RegistryTroubleIsSilent) {
  plugin_test::TTempDir temp;
  plugin_test::TTempDir current;
  const fs::path susie = temp.Path() / fs::u8path("画像");
  fs::create_directory(susie);
  ASSERT_TRUE(Place(susie, "susie"));
  ASSERT_TRUE(Place(current.Path(), "current"));
  ChangeTo(current.Path());
  TSusieRegistry registry;
  const std::wstring wide = susie.wstring();
  const std::wstring padded = wide + L'\0';  // room for half a character more
  const DWORD number = 1;
  struct Case {
    const char* what;
    std::function<void()> arrange;
    bool found;
  };
  const Case cases[] = {
      {"no key", [&] { registry.DeleteKey(); }, false},
      {"no value",
       [&] {
         registry.SetText(REG_SZ, "x");
         registry.DeleteValue();
       },
       false},
      {"empty", [&] { registry.SetText(REG_SZ, ""); }, false},
      {"a number", [&] { registry.Set(REG_DWORD, &number, sizeof number); }, false},
      {"expandable", [&] { registry.SetText(REG_EXPAND_SZ, Text(susie)); }, true},
      {"string", [&] { registry.SetText(REG_SZ, Text(susie)); }, true},
      {"string without its terminator",
       [&] { registry.Set(REG_SZ, wide.data(), wide.size() * sizeof(wchar_t)); }, true},
      {"string of odd byte length",
       [&] { registry.Set(REG_SZ, padded.data(), wide.size() * sizeof(wchar_t) + 1); }, true},
  };
  for (const Case& c : cases) {
    c.arrange();
    EXPECT_EQ(SusiePluginDirectory(), c.found ? Text(susie) : "") << c.what;
    const std::vector<std::string> expected = c.found ? std::vector<std::string>{"susie", "current"}
                                                      : std::vector<std::string>{"current"};
    EXPECT_EQ(Search({spsSusieDir, spsCurrentDir}), expected) << c.what;
  }
  // The text is taken as stored: a variable in it is not expanded.
  ::SetEnvironmentVariableW(L"TINTSIGHT_TEST_DIR", wide.c_str());
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
