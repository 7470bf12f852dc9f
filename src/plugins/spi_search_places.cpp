#include "plugins/spi_search_places.h"

#include "platform/known_paths.h"
#include "platform/registry.h"
#include "plugins/spi_messages.h"
#include "rtl/exception.h"
#include "rtl/file_name.h"

namespace {

// The Susie viewer's key, relative to HKEY_CURRENT_USER.
constexpr char kSusieKey[] = "Software\\Rokumaru\\Susie\\Plug-in";
constexpr char kSusiePathValue[] = "Path";
// The program's own plug-in directory, under the executable's directory.
constexpr char kAppPluginDirName[] = "SusiePlugin";

// The text of a string value; a value of another type fails with ERegistryException.
std::string ReadString(const platform::RegistryKey& key, const char* name) {
  platform::TRegistryValue value = key.ReadValue(name);
  switch (value.Kind) {
    case platform::TRegistryValueKind::rvMissing: return {};
    case platform::TRegistryValueKind::rvString: return std::move(value.Text);
    case platform::TRegistryValueKind::rvOther:
      throw ERegistryException(spi_messages::SRegistryValueNotText, {name});
  }
  return {};
}

// The directory of the program's executable: its path up to the last delimiter, which is kept
// only for a root.
std::string AppDirectory() { return ExtractFileDir(platform::ExecutablePath()); }

}  // namespace

std::string SusiePluginDirectory() {
  try {
    const platform::RegistryKey key = platform::RegistryKey::OpenCurrentUser(kSusieKey);
    if (!key.IsOpen()) return {};
    return ReadString(key, kSusiePathValue);
  } catch (const ERegistryException&) {
    // Registry trouble only means that there is no Susie directory to search.
    return {};
  }
}

std::string SPISearchPlaceDirectory(TSPISearchOption option) {
  switch (option) {
    case TSPISearchOption::spsSusieDir: return SusiePluginDirectory();
    case TSPISearchOption::spsAppPluginDir: {
      const std::string app = AppDirectory();
      return app.empty() ? app : app + PathDelimiter() + kAppPluginDirName;
    }
    case TSPISearchOption::spsAppDir: return AppDirectory();
    case TSPISearchOption::spsCurrentDir: return platform::CurrentDirectory();
    case TSPISearchOption::spsSystemDir: return platform::SystemDirectory();
    case TSPISearchOption::spsWindowsDir: return platform::WindowsDirectory();
  }
  return {};
}
