// Loadable modules (DLLs on Windows, shared objects elsewhere): loading one by path, finding its
// entry points by name, asking the system for its file name, and unloading it.
#pragma once

#include <string>
#include <utility>

namespace platform {

// The system's handle of a loaded module (HMODULE on Windows, the dlopen handle elsewhere).
using TModuleHandle = void*;
// An entry point as found by name. Callers cast it to the entry point's real type.
using TEntryPoint = void (*)();

// The entry point `name` of the loaded module `handle`, or null when the module does not export
// it.
TEntryPoint ModuleEntryPoint(TModuleHandle handle, const char* name);

// One load of a module, owned: the destructor unloads it. The system counts loads, so two Module
// objects for the same file keep it loaded until both are gone.
class Module {
 public:
  Module() = default;
  // Moving hands the load over; the moved-from object holds none. These need no OS call, so
  // both builds share them.
  Module(Module&& other) noexcept : Handle_(std::exchange(other.Handle_, nullptr)) {}
  Module& operator=(Module&& other) noexcept {
    if (this != &other) {
      Unload();
      Handle_ = std::exchange(other.Handle_, nullptr);
    }
    return *this;
  }
  Module(const Module&) = delete;
  Module& operator=(const Module&) = delete;
  ~Module() { Unload(); }

  // Loads the module at `path` (UTF-8). On failure the result is not loaded. A path without a
  // directory part is looked up the system's way (Windows: the DLL search order; elsewhere the
  // dynamic linker's library path).
  static Module Load(const std::string& path);

  bool IsLoaded() const { return Handle_ != nullptr; }
  TModuleHandle Handle() const { return Handle_; }
  TEntryPoint EntryPoint(const char* name) const { return ModuleEntryPoint(Handle_, name); }

  // The full path of the loaded module as the system reports it (UTF-8), fetched into a buffer
  // of 255 characters; empty when the system reports none.
  std::string FileName() const;

  // Unloads now (no-op when nothing is loaded).
  void Unload();

 private:
  TModuleHandle Handle_ = nullptr;
};

}  // namespace platform
