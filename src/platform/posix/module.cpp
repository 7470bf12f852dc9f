#include "platform/module.h"

#include <dlfcn.h>
#include <link.h>

#include <utility>

namespace platform {

TEntryPoint ModuleEntryPoint(TModuleHandle handle, const char* name) {
  if (handle == nullptr) return nullptr;
  // POSIX guarantees that dlsym's object pointer converts to a function pointer.
  return reinterpret_cast<TEntryPoint>(::dlsym(handle, name));
}

Module Module::Load(const std::string& path) {
  Module module;
  // Bind every symbol now, so that a module with unresolved references fails here and not at
  // its first call. Its symbols stay private to it.
  module.Handle_ = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  return module;
}

std::string Module::FileName() const {
  link_map* map = nullptr;
  if (Handle_ == nullptr || ::dlinfo(Handle_, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr ||
      map->l_name == nullptr) {
    return {};
  }
  // The same 255-character limit as the Windows buffer, so both builds report alike.
  std::string name(map->l_name);
  if (name.size() > 255) name.resize(255);
  return name;
}

void Module::Unload() {
  if (Handle_ != nullptr) ::dlclose(std::exchange(Handle_, nullptr));
}

}  // namespace platform
