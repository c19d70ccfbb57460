#include "support/cli_run.h"

#include <sys/wait.h>

#include <cstdlib>

namespace murl::test {

CliResult runCli(const TempDir& dir, const std::string& args, const std::string& env) {
  const std::string command = "cd '" + dir.path() + "' && env -u MURL_PASSWORD " + env + " '" +
                              MURL_CLI_PATH + "' " + args + " >stdout.txt 2>stderr.txt </dev/null";
  const int raw = std::system(command.c_str());
  CliResult result;
  result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  const auto out = readAll(dir.file("stdout.txt"));
  const auto err = readAll(dir.file("stderr.txt"));
  result.out.assign(out.begin(), out.end());
  result.err.assign(err.begin(), err.end());
  return result;
}

}  // namespace murl::test
