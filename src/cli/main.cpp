// The entry point of tintsight-cli: the command line as UTF-8, a console that shows UTF-8, then
// RunCli, with every plug-in in the plug-in helper.
#include <iostream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "platform/console.h"
#include "plugins/plugin_host_link.h"

#ifdef _WIN32
#include "platform/text.h"

int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) arguments.push_back(platform::Narrow(argv[i]));
  const platform::Utf8ConsoleOutput console;
  UsePluginHost();
  return RunCli(arguments, std::cout, std::cerr);
}
#else
int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  const platform::Utf8ConsoleOutput console;
  // Every plug-in runs in the helper beside this program.
  UsePluginHost();
  return RunCli(arguments, std::cout, std::cerr);
}
#endif
