#pragma once
// The console a command-line program runs in: whether its streams are terminals, typing without
// echo, and arguments and output in UTF-8 whatever the system's own code page.
#include <memory>
#include <string>
#include <vector>

namespace murl::platform {

enum class StandardStream { kInput, kOutput, kError };

bool isTerminal(StandardStream stream);

// While it lives, what is typed on the terminal is not shown (for passwords); the terminal is
// restored when it ends. Nothing happens when standard input is no terminal.
class EchoOff {
 public:
  EchoOff();
  ~EchoOff();
  EchoOff(const EchoOff&) = delete;
  EchoOff& operator=(const EchoOff&) = delete;

 private:
  struct Saved;
  std::unique_ptr<Saved> saved_;
};

// The program's arguments in UTF-8, the program's name first: argv as it is on POSIX systems;
// on Windows the wide command line, so that names in any script reach the program intact.
std::vector<std::string> commandLineArguments(int argc, char** argv);

// Makes the console show the UTF-8 the program writes (its code page, on Windows).
void prepareConsole();

}  // namespace murl::platform
