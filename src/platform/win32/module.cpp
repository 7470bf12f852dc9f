#include "platform/module.h"

#include <windows.h>

#include <utility>

#include "platform/text.h"

namespace platform {

TEntryPoint ModuleEntryPoint(TModuleHandle handle, const char* name) {
  if (handle == nullptr) return nullptr;
  return reinterpret_cast<TEntryPoint>(::GetProcAddress(static_cast<HMODULE>(handle), name));
}

Module Module::Load(const std::string& path) {
  Module module;
  module.Handle_ = ::LoadLibraryW(Widen(path).c_str());
  return module;
}

std::string Module::FileName() const {
  if (Handle_ == nullptr) return {};
  // A 256-character buffer of which 255 are offered; it starts zeroed, so the text always ends
  // inside it even when the system truncates without a terminator.
  wchar_t buffer[256] = {};
  const DWORD length = ::GetModuleFileNameW(static_cast<HMODULE>(Handle_), buffer, 255);
  if (length == 0) return {};
  return Narrow(std::wstring_view(buffer));
}

void Module::Unload() {
  if (Handle_ != nullptr) ::FreeLibrary(static_cast<HMODULE>(std::exchange(Handle_, nullptr)));
}

}  // namespace platform
