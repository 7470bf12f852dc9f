#include "cli/plugin_collection.h"

#include "cli/cli_options.h"
#include "platform/file.h"
#include "platform/known_paths.h"
#include "plugins/plugin_host_link.h"
#include "plugins/spi_search_places.h"
#include "rtl/file_name.h"

namespace {

constexpr char kPluginHostName[] = "tintsight-plugin-host";
// The program's own places; the collection searches them in its fixed order.
constexpr TSPISearchOptions kProgramPlaces{TSPISearchOption::spsAppDir,
                                           TSPISearchOption::spsAppPluginDir};

// The installed bundled plug-ins, when that folder exists: an installed program knows no other
// place for them, since the program's folder (/usr/bin) is no place for plug-ins.
std::string ExistingInstalledPluginFolder() {
  std::string folder = InstalledPluginFolder();
  return !folder.empty() && platform::PathExists(folder) ? folder : std::string();
}

}  // namespace

// ../lib/tintsight from the program's folder; empty when the program's folder is unknown.
std::string InstalledLibraryFolder() {
  const std::string programFolder = ExtractFileDir(platform::ExecutablePath());
  if (programFolder.empty()) return {};
  return InFolder(InFolder(ExtractFileDir(programFolder), "lib"), "tintsight");
}

std::string InstalledPluginFolder() {
  const std::string library = InstalledLibraryFolder();
  return library.empty() ? std::string() : InFolder(library, "SusiePlugin");
}

void UseInstalledPluginHost() {
  const std::string programFolder = ExtractFileDir(platform::ExecutablePath());
  const std::string library = InstalledLibraryFolder();
  if (library.empty() || platform::PathExists(InFolder(programFolder, kPluginHostName))) return;
  if (std::string installed = InFolder(library, kPluginHostName); platform::PathExists(installed)) {
    SetPluginHostPath(installed);
  }
}

std::vector<std::string> PluginSearchFolders(std::span<const std::string> pluginDirs) {
  std::vector<std::string> folders;
  for (const TSPISearchOption option : kSPISearchOrder) {
    if (!kProgramPlaces.Contains(option)) continue;
    std::string folder = SPISearchPlaceDirectory(option);
    if (!folder.empty()) folders.push_back(std::move(folder));
  }
  if (std::string installed = ExistingInstalledPluginFolder(); !installed.empty()) {
    folders.push_back(std::move(installed));
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
  plugins->SearchModules();
  if (const std::string installed = ExistingInstalledPluginFolder(); !installed.empty()) {
    plugins->SearchModules(installed);
  }
  for (const std::string& folder : pluginDirs) plugins->SearchModules(folder);
  return plugins;
}
