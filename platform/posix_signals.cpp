#include "platform/signals.h"

#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <iterator>

namespace murl::platform {
namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

// Only lock-free atomics and the saved terminal settings are touched from the handler.
std::atomic<int> receivedSignal{0};
std::atomic<std::atomic<bool>*> stopFlag{nullptr};
std::atomic<bool> echoTurnedOff{false};
termios savedTerminal{};  // written before echoTurnedOff is set, read after it is seen
struct sigaction earlier[std::size(kSignals)];

void onSignal(int signal) {
  int none = 0;
  // At a prompt with the echo off no job runs yet: the first signal ends the program at once, as
  // a read that began just after it would otherwise wait on.
  if (!echoTurnedOff.load() && receivedSignal.compare_exchange_strong(none, signal)) {
    if (std::atomic<bool>* stop = stopFlag.load()) stop->store(true);
    return;
  }
  if (echoTurnedOff.load()) ::tcsetattr(STDIN_FILENO, TCSANOW, &savedTerminal);
  ::_exit(128 + signal);
}

}  // namespace

StopOnSignals::StopOnSignals() {
  receivedSignal = 0;
  struct sigaction action {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;
  for (size_t i = 0; i < std::size(kSignals); ++i) ::sigaction(kSignals[i], &action, &earlier[i]);
}

StopOnSignals::~StopOnSignals() {
  stopFlag = nullptr;
  for (size_t i = 0; i < std::size(kSignals); ++i) ::sigaction(kSignals[i], &earlier[i], nullptr);
}

void StopOnSignals::stopThrough(std::atomic<bool>* stop) {
  stopFlag = stop;
  if (stop && receivedSignal.load() != 0) stop->store(true);
}

int StopOnSignals::received() { return receivedSignal.load(); }

EchoOff::EchoOff() {
  termios current{};
  if (::tcgetattr(STDIN_FILENO, &current) != 0) return;
  savedTerminal = current;
  echoTurnedOff = true;
  current.c_lflag &= ~static_cast<tcflag_t>(ECHO);
  ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &current);
}

EchoOff::~EchoOff() {
  if (!echoTurnedOff.exchange(false)) return;
  ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &savedTerminal);
}

}  // namespace murl::platform
