#pragma once
// Interrupt signals (SIGINT, SIGTERM, SIGHUP) turned into a request to stop. The first one sets
// the stop flag it is given, so the running job ends at its next poll and cleans up as after any
// failure; a second one ends the process at once, after giving the terminal its echo back.
// Signal dispositions belong to the whole process, so this state is process-wide; a front end
// keeps one object for the length of its command.
#include <atomic>

namespace murl::platform {

class StopOnSignals {
 public:
  // Installs the handlers without restarting interrupted calls, so a prompt waiting for input
  // gives up at the first signal.
  StopOnSignals();
  // The earlier handlers come back.
  ~StopOnSignals();
  StopOnSignals(const StopOnSignals&) = delete;
  StopOnSignals& operator=(const StopOnSignals&) = delete;

  // The flag the first signal sets from now on (null: none).
  void stopThrough(std::atomic<bool>* stop);
  // The first signal received, 0 while none has come.
  static int received();
};

// Turns off the echo of the terminal on standard input while it lives, as for a password; the
// echo comes back when it ends, and also when a second signal ends the process.
class EchoOff {
 public:
  EchoOff();
  ~EchoOff();
  EchoOff(const EchoOff&) = delete;
  EchoOff& operator=(const EchoOff&) = delete;
};

}  // namespace murl::platform
