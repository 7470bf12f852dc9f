// A plug-in helper that lies, for the tests of what the program believes: it opens nothing, says
// that each module describes itself with nothing, and answers every other call into a module with
// the answer that TS_LIE (read at its start) names:
//   magic  an answer that does not start as one
//   text   an answer that announces more text than any answer carries
//   blocks a picture whose bits lie past the end of the memory handed over with it
//   order  a picture whose header block runs into its bits block
//   fault  a fault whose name is no fault's name
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/child_process.h"
#include "plugins/host_protocol.h"

#ifdef _WIN32
#include "platform/text.h"
int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) arguments.push_back(platform::Narrow(argv[i]));
#else
int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
#endif
  using namespace host_protocol;
  platform::ParentChannel channel = platform::ParentChannel::Inherited(arguments);
  const char* lie = std::getenv("TS_LIE");
  const std::string how = lie != nullptr ? lie : "";
  platform::SharedMemory output;
  for (;;) {
    TRequest request;
    platform::SharedMemoryHandle received;
    if (!channel.Receive(&request, sizeof request, received)) return 0;
    std::string text(request.TextSize, '\0');
    if (!text.empty() && !channel.Receive(text.data(), text.size(), received)) return 0;
    TAnswer answer;
    std::string reply;
    const platform::SharedMemory* handOver = nullptr;
    if (request.Kind == TRequestKind::rkOpen) {
      answer.Module = 1;
      answer.Handle = 1;
      answer.Exports = 0x1F;
      reply = text;
    } else if (request.Kind == TRequestKind::rkGetPluginInfo) {
      reply.assign(request.Length > 0 ? static_cast<std::size_t>(request.Length) : 0, '\0');
    } else if (request.Kind != TRequestKind::rkHello && request.Kind != TRequestKind::rkClose) {
      if (how == "magic") answer.Magic = 0;
      if (how == "text") answer.TextSize = kMaxText + 1;
      if (how == "fault") {
        answer.Status = TAnswerStatus::asFault;
        reply = "a fault\n\x01";
      }
      if (how == "blocks" || how == "order") {
        output = platform::SharedMemory::Create(64);
        handOver = &output;
        answer.InfoBytes = how == "order" ? 48 : 40;
        answer.BitsOffset = how == "order" ? 32 : 48;
        answer.BitsBytes = how == "order" ? 16 : 4096;
      }
    }
    if (answer.TextSize == 0) answer.TextSize = static_cast<std::uint32_t>(reply.size());
    if (!channel.Send(&answer, sizeof answer, handOver)) return 0;
    if (!reply.empty() && !channel.Send(reply.data(), reply.size(), nullptr)) return 0;
  }
}
