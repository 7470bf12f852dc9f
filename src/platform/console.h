// The console that a command-line program writes to.
#pragma once

namespace platform {

// While it lives, the console that the process writes to (when it has one) takes the program's
// output as UTF-8, so that Japanese messages are readable whatever the console's code page; the
// console's own setting comes back when it goes. Terminals elsewhere take UTF-8 as it is, so
// there it does nothing.
class Utf8ConsoleOutput {
 public:
  Utf8ConsoleOutput();
  Utf8ConsoleOutput(const Utf8ConsoleOutput&) = delete;
  Utf8ConsoleOutput& operator=(const Utf8ConsoleOutput&) = delete;
  ~Utf8ConsoleOutput();

 private:
  [[maybe_unused]] unsigned int SavedCodePage_ = 0;  // 0: nothing to restore (Windows only)
};

}  // namespace platform
