#pragma once
// murl-cli started on a pseudo-terminal of its own, for tests that read what it shows there,
// watch the terminal's echo or signal it at a prompt.
#include <sys/types.h>

#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace murl::test {

class CliChild {
 public:
  // Starts murl-cli in `dir` with `args` and the environment additions `env` (NAME=VALUE, with
  // MURL_PASSWORD unset otherwise); standard input, output and error are a new pseudo-terminal
  // whose other side this object reads.
  CliChild(const TempDir& dir, const std::vector<std::string>& args,
           const std::vector<std::string>& env);
  // A child still running is killed and reaped.
  ~CliChild();
  CliChild(const CliChild&) = delete;
  CliChild& operator=(const CliChild&) = delete;

  // Reads the terminal (a few seconds at most) until `text` has appeared.
  bool waitForOutput(const std::string& text);
  // The terminal's echo flag as the child's side sees it.
  bool terminalEchoes() const;
  void signal(int number);
  // Waits for the child's end (killing it after a few seconds) and gives its raw wait status.
  int wait();

 private:
  pid_t pid_ = -1;
  int terminal_ = -1;
  std::string seen_;
};

}  // namespace murl::test
