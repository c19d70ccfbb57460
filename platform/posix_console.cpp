#include <termios.h>
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

struct EchoOff::Saved {
  termios mode{};
};

EchoOff::EchoOff() {
  auto saved = std::make_unique<Saved>();
  if (::tcgetattr(STDIN_FILENO, &saved->mode) != 0) return;
  termios quiet = saved->mode;
  quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
  if (::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) == 0) saved_ = std::move(saved);
}

EchoOff::~EchoOff() {
  if (saved_) ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved_->mode);
}

std::vector<std::string> commandLineArguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

void prepareConsole() {}

}  // namespace murl::platform
