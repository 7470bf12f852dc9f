// Helpers for tests that load the test plug-in family: temporary directories, copies of the
// modules, and asking the system whether a module is loaded.
#pragma once

#include <filesystem>
#include <string>

namespace plugin_test {

// The UTF-8 text of `path`, as the program's own functions take it.
std::string Text(const std::filesystem::path& path);

// The built test plug-in `variant` ("tp_in", "tp_am", ...).
std::filesystem::path TestPlugin(const std::string& variant);

// A fresh, empty directory under the system's temporary directory, removed with everything in
// it when the object goes. Modules loaded from it must be released first.
class TTempDir {
 public:
  TTempDir();
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;
  ~TTempDir();

  const std::filesystem::path& Path() const { return Path_; }
  // The directory's text with a trailing path delimiter, ready for a file name.
  std::string Prefix() const;

 private:
  std::filesystem::path Path_;
};

// Copies the test plug-in `variant` into `directory` as `name`; returns the new file's path.
std::filesystem::path CopyPlugin(const std::string& variant, const std::filesystem::path& directory,
                                 const std::string& name);
// Writes `text` as the whole content of `path`.
void WriteFile(const std::filesystem::path& path, const std::string& text);

// Marks a file hidden as the system understands it (Windows: the hidden attribute; elsewhere the
// file is renamed with a leading '.'). Returns the file's path afterwards.
std::filesystem::path MakeHidden(const std::filesystem::path& path);

// Whether the module at `path` is loaded in this process at the moment.
bool IsModuleLoaded(const std::filesystem::path& path);

}  // namespace plugin_test
