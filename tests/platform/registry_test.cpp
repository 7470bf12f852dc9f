#include "platform/registry.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

#ifdef _WIN32

// A key of this test's own, removed afterwards.
constexpr wchar_t kTestKey[] = L"Software\\Tintsight\\RegistryTest";

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, kTestKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                                nullptr, &Key_, nullptr),
              ERROR_SUCCESS);
  }
  void TearDown() override {
    ::RegCloseKey(Key_);
    ::RegDeleteKeyW(HKEY_CURRENT_USER, kTestKey);
  }
  void SetText(const wchar_t* name, DWORD type, const std::wstring& text) {
    ::RegSetValueExW(Key_, name, 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                     static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  }
  HKEY Key_ = nullptr;
};

TEST_F(RegistryTest, ReadsStringsAsStoredAndTellsOtherTypes) {
  SetText(L"Plain", REG_SZ, L"C:\\Plug-ins\\画像");
  SetText(L"Expand", REG_EXPAND_SZ, L"%WINDIR%\\x");
  SetText(L"Empty", REG_SZ, L"");
  const DWORD number = 7;
  ::RegSetValueExW(Key_, L"Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                   sizeof number);
  // Stored without its terminator: the text still ends where the data does.
  const wchar_t raw[] = {L'a', L'b'};
  ::RegSetValueExW(Key_, L"Unterminated", 0, REG_SZ, reinterpret_cast<const BYTE*>(raw),
                   sizeof raw);

  const platform::RegistryKey key =
      platform::RegistryKey::OpenCurrentUser("Software\\Tintsight\\RegistryTest");
  ASSERT_TRUE(key.IsOpen());
  struct Case {
    const char* name;
    platform::TRegistryValueKind kind;
    const char* text;
  };
  using enum platform::TRegistryValueKind;
  const Case cases[] = {
      {"Plain", rvString, "C:\\Plug-ins\\画像"}, {"Expand", rvString, "%WINDIR%\\x"},
      {"Empty", rvString, ""},                   {"Unterminated", rvString, "ab"},
      {"Number", rvOther, ""},                   {"Missing", rvMissing, ""},
  };
  for (const Case& c : cases) {
    const platform::TRegistryValue value = key.ReadValue(c.name);
    EXPECT_EQ(value.Kind, c.kind) << c.name;
    EXPECT_EQ(value.Text, c.text) << c.name;
  }
}

#else

TEST(Registry, NoKeyEverOpens) {
  const platform::RegistryKey key =
      platform::RegistryKey::OpenCurrentUser("Software\\Rokumaru\\Susie\\Plug-in");
  EXPECT_FALSE(key.IsOpen());
  EXPECT_EQ(key.ReadValue("Path").Kind, platform::TRegistryValueKind::rvMissing);
}

#endif

}  // namespace
