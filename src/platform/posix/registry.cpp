#include "platform/registry.h"

#include <utility>

namespace platform {

// There is no registry here: no key opens, so nothing is ever read or closed.

RegistryKey::RegistryKey(RegistryKey&& other) noexcept
    : Handle_(std::exchange(other.Handle_, nullptr)) {}

RegistryKey& RegistryKey::operator=(RegistryKey&& other) noexcept {
  Handle_ = std::exchange(other.Handle_, nullptr);
  return *this;
}

RegistryKey::~RegistryKey() = default;

RegistryKey RegistryKey::OpenCurrentUser(const std::string&) { return RegistryKey(); }

TRegistryValue RegistryKey::ReadValue(const std::string&) const { return {}; }

void RegistryKey::Close() { Handle_ = nullptr; }

}  // namespace platform
