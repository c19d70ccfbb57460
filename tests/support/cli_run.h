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

// Runs a shell command line in `dir`, standard input from /dev/null, and collects what it wrote
// (standard output is read back only when it goes to the default file).
CliResult runCommand(const TempDir& dir, const std::string& command,
                     const std::string& stdoutTo = "stdout.txt");

// Runs murl-cli in `dir` as a user would: a separate process, `args` already quoted as the shell
// needs, standard input from /dev/null, MURL_PASSWORD unset unless `env` sets it, standard output
// to `stdoutTo` (read back when it is the default). A run that hangs is killed after two minutes.
CliResult runCli(const TempDir& dir, const std::string& args, const std::string& env = "",
                 const std::string& stdoutTo = "stdout.txt");

// Parses `json` with Python's standard parser and prints `expression`, in which `d` is the parsed
// value (no single quotes in it); the printed text without its line end, or "python failed: "
// and the parser's complaint. Only where MURL_PYTHON names an interpreter.
std::string evalJson(const TempDir& dir, const std::string& json, const std::string& expression);

// A folder ready for a hide over committed fixtures and its unhide: src/secret.bin holding
// `secret`, empty out/ and back/, the password in pw.txt. The arguments name the fixtures in
// order: as carriers (" -c '<data>/name'") and as the targets hide writes (" out/name").
struct FixtureRun {
  std::string carriers;
  std::string targets;
};
FixtureRun prepareFixtureRun(const TempDir& dir, const std::vector<uint8_t>& secret,
                             std::span<const char* const> fixtures);

}  // namespace murl::test
