#include "platform/registry.h"

#include <windows.h>

#include <string_view>
#include <utility>
#include <vector>

#include "platform/text.h"

namespace platform {

RegistryKey::RegistryKey(RegistryKey&& other) noexcept
    : Handle_(std::exchange(other.Handle_, nullptr)) {}

RegistryKey& RegistryKey::operator=(RegistryKey&& other) noexcept {
  if (this != &other) {
    Close();
    Handle_ = std::exchange(other.Handle_, nullptr);
  }
  return *this;
}

RegistryKey::~RegistryKey() { Close(); }

RegistryKey RegistryKey::OpenCurrentUser(const std::string& subKey) {
  RegistryKey key;
  HKEY handle = nullptr;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, Widen(subKey).c_str(), 0, KEY_ALL_ACCESS, &handle) ==
      ERROR_SUCCESS) {
    key.Handle_ = handle;
  }
  return key;
}

TRegistryValue RegistryKey::ReadValue(const std::string& name) const {
  TRegistryValue value;
  if (Handle_ == nullptr) return value;
  const std::wstring wideName = Widen(name);
  const HKEY key = static_cast<HKEY>(Handle_);
  // The first call asks for the type and size, the second fetches the data.
  DWORD type = 0;
  DWORD size = 0;
  if (::RegQueryValueExW(key, wideName.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
    return value;
  if (type != REG_SZ && type != REG_EXPAND_SZ) {
    value.Kind = TRegistryValueKind::rvOther;
    return value;
  }
  // Whole characters for every byte stored (a value written with an odd byte count has half a
  // character more, and a buffer rounded down would fail the second query), and one spare
  // character, so that data stored without its terminator still ends inside the buffer.
  std::vector<wchar_t> data((size + sizeof(wchar_t) - 1) / sizeof(wchar_t) + 1, L'\0');
  DWORD got = static_cast<DWORD>((data.size() - 1) * sizeof(wchar_t));
  if (::RegQueryValueExW(key, wideName.c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(data.data()), &got) != ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ)) {
    return value;
  }
  value.Kind = TRegistryValueKind::rvString;
  value.Text = Narrow(std::wstring_view(data.data()));
  return value;
}

void RegistryKey::Close() {
  if (Handle_ != nullptr) ::RegCloseKey(static_cast<HKEY>(std::exchange(Handle_, nullptr)));
}

}  // namespace platform
