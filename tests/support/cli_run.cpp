#include "support/cli_run.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace murl::test {

CliResult runCommand(const TempDir& dir, const std::string& command, const std::string& stdoutTo) {
  ::unlink(dir.file("stdout.txt").c_str());
  const std::string line =
      "cd '" + dir.path() + "' && (" + command + ") >" + stdoutTo + " 2>stderr.txt </dev/null";
  const int raw = std::system(line.c_str());
  CliResult result;
  result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  const auto out = readAll(dir.file("stdout.txt"));
  const auto err = readAll(dir.file("stderr.txt"));
  result.out.assign(out.begin(), out.end());
  result.err.assign(err.begin(), err.end());
  return result;
}

CliResult runCli(const TempDir& dir, const std::string& args, const std::string& env,
                 const std::string& stdoutTo) {
  return runCommand(dir,
                    "env -u MURL_PASSWORD -u MURL_MARK " + env + " timeout -s KILL 120 '" +
                        MURL_CLI_PATH + "' " + args,
                    stdoutTo);
}

std::string evalJson(const TempDir& dir, const std::string& json, const std::string& expression) {
  writeAll(dir.file("eval.json"), {json.begin(), json.end()});
  const std::string command = "cd '" + dir.path() + "' && '" + MURL_PYTHON +
                              "' -c 'import json; d = json.load(open(\"eval.json\", "
                              "encoding=\"utf-8\")); print(" +
                              expression + ")' >eval.txt 2>&1";
  const int raw = std::system(command.c_str());
  const auto out = readAll(dir.file("eval.txt"));
  std::string printed(out.begin(), out.end());
  if (!WIFEXITED(raw) || WEXITSTATUS(raw) != 0) return "python failed: " + printed;
  while (!printed.empty() && printed.back() == '\n') printed.pop_back();
  return printed;
}

FixtureRun prepareFixtureRun(const TempDir& dir, const std::vector<uint8_t>& secret,
                             std::span<const char* const> fixtures) {
  for (const char* folder : {"src", "out", "back"}) {
    std::filesystem::create_directory(dir.file(folder));
  }
  const std::string password = "a password for the fixtures\n";
  writeAll(dir.file("pw.txt"), {password.begin(), password.end()});
  writeAll(dir.file("src/secret.bin"), secret);
  FixtureRun run;
  for (const char* name : fixtures) {
    run.carriers += std::string(" -c '") + MURL_TEST_DATA_DIR + "/" + name + "'";
    run.targets += std::string(" out/") + name;
  }
  return run;
}

}  // namespace murl::test
