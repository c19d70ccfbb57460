#pragma once
#include <string>

#include "support/temp_dir.h"

namespace murl::test {

struct CliResult {
  int status = -1;
  std::string out;
  std::string err;
};

// Runs murl-cli in `dir` as a user would: a separate process, `args` already quoted as the shell
// needs, standard input from /dev/null, MURL_PASSWORD unset unless `env` sets it.
CliResult runCli(const TempDir& dir, const std::string& args, const std::string& env = "");

}  // namespace murl::test
