#include "platform/signals.h"

#include <gtest/gtest.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace murl::platform {
namespace {

bool echoes(int terminal) {
  termios settings{};
  return ::tcgetattr(terminal, &settings) == 0 && (settings.c_lflag & ECHO) != 0;
}

// A job is asked to stop by the first signal; the second, here at a prompt with the echo off,
// ends the program with the echo back (a first signal at a prompt does the same).
TEST(StopOnSignals, TheFirstSignalAsksToStopTheSecondEndsWithTheEchoBack) {
  int terminal = -1;
  const pid_t child = ::forkpty(&terminal, nullptr, nullptr, nullptr);
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::atomic<bool> stop{false};
    StopOnSignals signals;
    signals.stopThrough(&stop);
    ::raise(SIGINT);
    if (!stop.load() || StopOnSignals::received() != SIGINT) ::_exit(1);
    EchoOff quiet;
    if (echoes(STDIN_FILENO)) ::_exit(1);
    ::raise(SIGTERM);
    ::_exit(2);  // not reached
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 128 + SIGTERM);
  EXPECT_TRUE(echoes(terminal));
  ::close(terminal);
}

TEST(StopOnSignals, AFlagGivenAfterTheSignalIsSetAtOnceAndTheOldHandlersComeBack) {
  struct sigaction before {};
  ::sigaction(SIGHUP, nullptr, &before);
  {
    StopOnSignals signals;
    ::raise(SIGHUP);
    std::atomic<bool> stop{false};
    signals.stopThrough(&stop);
    EXPECT_TRUE(stop.load());
    signals.stopThrough(nullptr);
  }
  struct sigaction after {};
  ::sigaction(SIGHUP, nullptr, &after);
  EXPECT_EQ(after.sa_handler, before.sa_handler);
}

}  // namespace
}  // namespace murl::platform
