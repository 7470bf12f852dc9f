#include "cli/plugin_collection.h"

#include "cli/cli_options.h"
#include "platform/file.h"
#include "plugins/spi_search_places.h"

namespace {

constexpr char kPluginPattern[] = "*.spi";
// The program's own places; the collection searches them in its fixed order.
constexpr TSPISearchOptions kProgramPlaces{TSPISearchOption::spsAppDir,
                                           TSPISearchOption::spsAppPluginDir};

}  // namespace

std::vector<std::string> PluginSearchFolders(std::span<const std::string> pluginDirs) {
  std::vector<std::string> folders;
  for (const TSPISearchOption option : kSPISearchOrder) {
    if (!kProgramPlaces.Contains(option)) continue;
    std::string folder = SPISearchPlaceDirectory(option);
    if (!folder.empty()) folders.push_back(std::move(folder));
  }
  folders.insert(folders.end(), pluginDirs.begin(), pluginDirs.end());
  return folders;
}

std::unique_ptr<TSPIs> OpenPluginCollection(std::span<const std::string> pluginDirs) {
  for (const std::string& folder : pluginDirs) {
    switch (platform::FileKindOf(folder)) {
      case platform::TFileKind::fkMissing:
        throw EUsageError("the plug-in folder \"" + folder + "\" does not exist");
      case platform::TFileKind::fkRegular:
      case platform::TFileKind::fkOther:
        throw EUsageError("\"" + folder + "\" given with --plugin-dir is not a folder");
      case platform::TFileKind::fkDirectory:
        break;
    }
  }
  auto plugins = std::make_unique<TSPIs>(nullptr);
  plugins->SetSearchOptions(kProgramPlaces);
  plugins->Search(kPluginPattern);
  // A pattern with a folder part searches that folder only.
  for (const std::string& folder : pluginDirs) {
    plugins->Search(InFolder(folder, kPluginPattern));
  }
  return plugins;
}
