#include "cli/cli.h"

#include "cli/batch.h"
#include "cli/cli_options.h"

int RunCli(std::span<const std::string> arguments, const TPictureLoader& loader,
           std::ostream& output, std::ostream& errors) {
  TCliOptions options;
  try {
    options = ParseCliArguments(arguments);
  } catch (const EUsageError& e) {
    errors << "tintsight-cli: " << e.Message() << '\n' << kCliUsage;
    return 2;
  }
  if (options.Help) {
    output << kCliUsage;
    return 0;
  }
  return RunBatch(options, loader, errors);
}
