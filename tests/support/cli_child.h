#pragma once
// murl-cli started as a child process whose id is known, for tests that signal it mid-job or talk
// to it on a terminal of its own.
#include <sys/types.h>

#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace murl::test {

class CliChild {
 public:
  // Starts murl-cli in `dir` with `args` and the environment additions `env` (NAME=VALUE, with
  // MURL_PASSWORD unset otherwise). Without `terminal`, standard input is /dev/null and the output
  // goes to stdout.txt and stderr.txt in `dir`; with it, all three are a new pseudo-terminal whose
  // other side this object reads.
  CliChild(const TempDir& dir, const std::vector<std::string>& args,
           const std::vector<std::string>& env, bool terminal = false);
  // A child still running is killed and reaped.
  ~CliChild();
  CliChild(const CliChild&) = delete;
  CliChild& operator=(const CliChild&) = delete;

  // Waits (a few seconds at most) until the child holds open a file whose path begins with
  // `prefix`, named or not.
  bool waitForOpenFileUnder(const std::string& prefix);
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
