#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <vector>

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

// Lays out `dir` for a hide and an unhide through murl-cli: src/secret.bin holding `secret`, out/
// and back/ empty, pw.txt holding the password on its first line.
void prepareCliTrip(const TempDir& dir, const std::string& password,
                    const std::vector<uint8_t>& secret);
// " -c 'DATA/name'" for each fixture under tests/data, and " out/name" for its target.
std::string fixtureCarriers(std::span<const char* const> names);
std::string fixtureTargets(std::span<const char* const> names);

}  // namespace murl::test
