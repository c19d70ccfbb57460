// Console control events (Ctrl+C, Ctrl+Break, the console closing, logoff, shutdown) play the
// part of interrupt signals. Windows runs the handler on a thread of its own.
#include <windows.h>

#include <csignal>

#include "platform/signals.h"

namespace murl::platform {
namespace {

std::atomic<int> receivedSignal{0};
std::atomic<std::atomic<bool>*> stopFlag{nullptr};
std::atomic<bool> echoTurnedOff{false};
std::atomic<DWORD> savedMode{0};  // stored before echoTurnedOff is set

// The signal number a shell would report for the event.
int signalFor(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
      return SIGINT;
    case CTRL_BREAK_EVENT:
      return SIGBREAK;
    default:
      return SIGTERM;
  }
}

BOOL WINAPI onControl(DWORD event) {
  const int signal = signalFor(event);
  int none = 0;
  if (receivedSignal.compare_exchange_strong(none, signal)) {
    if (std::atomic<bool>* stop = stopFlag.load()) stop->store(true);
    // The process ends as soon as this returns from a close, logoff or shutdown event: the job
    // gets the few seconds Windows allows to stop and clean up, and the process ends normally.
    if (signal == SIGTERM) ::Sleep(4500);
    return TRUE;
  }
  if (echoTurnedOff.load()) ::SetConsoleMode(::GetStdHandle(STD_INPUT_HANDLE), savedMode.load());
  ::ExitProcess(static_cast<UINT>(128 + signal));
}

}  // namespace

StopOnSignals::StopOnSignals() {
  receivedSignal = 0;
  ::SetConsoleCtrlHandler(onControl, TRUE);
}

StopOnSignals::~StopOnSignals() {
  stopFlag = nullptr;
  ::SetConsoleCtrlHandler(onControl, FALSE);
}

void StopOnSignals::stopThrough(std::atomic<bool>* stop) {
  stopFlag = stop;
  if (stop && receivedSignal.load() != 0) stop->store(true);
}

int StopOnSignals::received() { return receivedSignal.load(); }

EchoOff::EchoOff() {
  HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
  DWORD mode = 0;
  if (!::GetConsoleMode(input, &mode)) return;
  savedMode = mode;
  echoTurnedOff = true;
  ::SetConsoleMode(input, mode & ~DWORD{ENABLE_ECHO_INPUT});
}

EchoOff::~EchoOff() {
  if (!echoTurnedOff.exchange(false)) return;
  ::SetConsoleMode(::GetStdHandle(STD_INPUT_HANDLE), savedMode.load());
}

}  // namespace murl::platform
