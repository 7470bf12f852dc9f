#include "cli/cli.h"

#include "cli/batch.h"
#include "cli/cli_options.h"
#include "cli/input_identity.h"
#include "cli/picture_loader.h"
#include "cli/plugin_collection.h"
#include "cli/plugin_listing.h"
#include "cli/report.h"
#include "cli/version.h"
#include "platform/file.h"
#include "plugins/plugin_host_link.h"

namespace {

int ListPluginsAction(const TCliOptions& options, std::ostream& output) {
  const std::unique_ptr<TSPIs> plugins = OpenPluginCollection(options.PluginDirs);
  ListPlugins(*plugins, PluginSearchFolders(options.PluginDirs), output);
  return 0;
}

int AnalyseAction(const TCliOptions& options, std::ostream& output, std::ostream& errors) {
  // Checked once here rather than failing every job alike.
  if (options.IsBatch()) {
    switch (platform::FileKindOf(options.OutputDir)) {
      case platform::TFileKind::fkMissing:
        throw EUsageError("the output folder \"" + options.OutputDir + "\" does not exist");
      case platform::TFileKind::fkRegular:
      case platform::TFileKind::fkOther:
        throw EUsageError("\"" + options.OutputDir + "\" given with -o is not a folder");
      case platform::TFileKind::fkDirectory:
        break;
    }
  }
  RefuseOutputsThatAreInputs(options);
  const std::unique_ptr<TSPIs> plugins = OpenPluginCollection(options.PluginDirs);
  const TPictureLoader loader;
  return RunBatch(options, loader, output, errors);
}

}  // namespace

int RunCli(std::span<const std::string> arguments, std::ostream& output, std::ostream& errors) {
  try {
    const TCliOptions options = ParseCliArguments(arguments);
    SetPluginTimeout(options.PluginTimeout);
    UseInstalledPluginHost();
    int status = 0;
    switch (options.Action) {
      case TCliAction::caHelp:
        output << kCliUsage;
        break;
      case TCliAction::caVersion:
        output << "tintsight-cli " << VersionText() << '\n';
        break;
      case TCliAction::caListPlugins:
        status = ListPluginsAction(options, output);
        break;
      case TCliAction::caAnalyse:
        status = AnalyseAction(options, output, errors);
        break;
    }
    return status;
  } catch (const EUsageError& e) {
    ReportError(errors, e.Message() + " (tintsight-cli --help shows the usage)");
    return 2;
  } catch (const std::exception& failure) {
    // Opening the plug-ins failed in a way that the search does not pass over.
    ReportError(errors, FailureMessage(failure));
    return 1;
  }
}
