#include "plugin_test_support.h"

#include <atomic>
#include <fstream>
#include <stdexcept>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include "platform/file.h"

namespace fs = std::filesystem;

namespace plugin_test {

std::string Text(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

fs::path TestPlugin(const std::string& variant) {
  return fs::path(TS_TEST_PLUGIN_DIR) / (variant + ".spi");
}

TTempDir::TTempDir() {
  static std::atomic<int> counter{0};
  const fs::path base = fs::temp_directory_path();
  for (;;) {
    Path_ = base / ("tintsight-plugins-" + std::to_string(platform::ProcessId()) + "-" +
                    std::to_string(counter++));
    if (fs::create_directory(Path_)) break;
  }
  // The system's own spelling of the directory, so that paths built from it compare equal to
  // the paths the system reports for modules loaded from it.
  Path_ = fs::canonical(Path_);
}

TTempDir::~TTempDir() {
  std::error_code ignored;
  fs::remove_all(Path_, ignored);
}

std::string TTempDir::Prefix() const { return Text(Path_ / ""); }

fs::path CopyPlugin(const std::string& variant, const fs::path& directory,
                    const std::string& name) {
  const fs::path target = directory / name;
  fs::copy_file(TestPlugin(variant), target, fs::copy_options::overwrite_existing);
  return target;
}

void WriteFile(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  if (!out) throw std::runtime_error("cannot write " + Text(path));
}

fs::path MakeHidden(const fs::path& path) {
#ifdef _WIN32
  if (!::SetFileAttributesW(path.wstring().c_str(), FILE_ATTRIBUTE_HIDDEN))
    throw std::runtime_error("cannot hide " + Text(path));
  return path;
#else
  std::string name(1, '.');  // built by appending: GCC 12 warns wrongly about "." + text
  name += Text(path.filename());
  const fs::path hidden = path.parent_path() / name;
  fs::rename(path, hidden);
  return hidden;
#endif
}

bool IsModuleLoaded(const fs::path& path) {
#ifdef _WIN32
  return ::GetModuleHandleW(path.wstring().c_str()) != nullptr;
#else
  void* handle = ::dlopen(Text(path).c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (handle == nullptr) return false;
  ::dlclose(handle);
  return true;
#endif
}

}  // namespace plugin_test
