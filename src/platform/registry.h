// Reading one value of the current user's registry. Only Windows has a registry; elsewhere no key
// ever opens.
#pragma once

#include <string>

namespace platform {

// What a value turned out to be.
enum class TRegistryValueKind {
  rvMissing,  // no such value (or it could not be read)
  rvString,   // a string or expandable string, taken as stored (never expanded)
  rvOther,    // a value of any other type
};

struct TRegistryValue {
  TRegistryValueKind Kind = TRegistryValueKind::rvMissing;
  std::string Text;  // UTF-8; the stored text up to its first NUL, for rvString only
};

// An open key, owned: the destructor closes it.
class RegistryKey {
 public:
  RegistryKey() = default;
  RegistryKey(RegistryKey&& other) noexcept;
  RegistryKey& operator=(RegistryKey&& other) noexcept;
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;
  ~RegistryKey();

  // Opens `subKey` (UTF-8, '\'-separated, relative to HKEY_CURRENT_USER) with full access
  // (KEY_ALL_ACCESS), never creating it. A key that is missing or refuses full access gives a
  // result that is not open.
  static RegistryKey OpenCurrentUser(const std::string& subKey);

  bool IsOpen() const { return Handle_ != nullptr; }

  // Reads the value `name` of this open key.
  TRegistryValue ReadValue(const std::string& name) const;

  void Close();

 private:
  void* Handle_ = nullptr;  // HKEY
};

}  // namespace platform
