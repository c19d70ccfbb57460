#include <unistd.h>

#include "platform/console.h"

namespace murl::platform {

bool isTerminal(StandardStream stream) {
  switch (stream) {
    case StandardStream::kInput:
      return ::isatty(STDIN_FILENO) != 0;
    case StandardStream::kOutput:
      return ::isatty(STDOUT_FILENO) != 0;
    case StandardStream::kError:
      return ::isatty(STDERR_FILENO) != 0;
  }
  return false;
}

std::vector<std::string> commandLineArguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

void prepareConsole() {}

}  // namespace murl::platform
