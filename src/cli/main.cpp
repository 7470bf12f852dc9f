// The entry point of tintsight-cli: the command line as UTF-8, then RunCli.
#include <iostream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli/picture_loader.h"

#ifdef _WIN32
#include "platform/text.h"

int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) arguments.push_back(platform::Narrow(argv[i]));
  const TPictureLoader loader;
  return RunCli(arguments, loader, std::cout, std::cerr);
}
#else
int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  const TPictureLoader loader;
  return RunCli(arguments, loader, std::cout, std::cerr);
}
#endif
