#pragma once
#include <atomic>

namespace murl {

// The stop and closing flags as a long transform sees them: it polls raised() between steps
// and gives up without a message when it is true. A default Interrupt is never raised.
struct Interrupt {
  const std::atomic<bool>* stop = nullptr;
  const std::atomic<bool>* closing = nullptr;

  bool raised() const { return (stop && stop->load()) || (closing && closing->load()); }
};

}  // namespace murl
