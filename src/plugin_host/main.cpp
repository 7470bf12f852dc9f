// tintsight-plugin-host: the helper process in which plug-ins run, started by the program with
// its end of the channel. Started any other way it does nothing.
#include <string>
#include <vector>

#include "platform/child_process.h"
#include "plugin_host/request_loop.h"

#ifdef _WIN32
#include "platform/text.h"

int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) arguments.push_back(platform::Narrow(argv[i]));
#else
int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
#endif
  platform::ParentChannel channel = platform::ParentChannel::Inherited(arguments);
  if (!channel.IsValid()) return 2;
  // A fault that escapes the guard (a plug-in that damaged the heap faults later, in our code)
  // ends the helper at once: the program reports it and starts another.
  platform::EndProcessOnUnhandledFault();
  return ServeRequests(channel);
}
