#include "support/cli_run.h"

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>

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

void prepareCliTrip(const TempDir& dir, const std::string& password,
                    const std::vector<uint8_t>& secret) {
  for (const char* folder : {"src", "out", "back"}) {
    std::filesystem::create_directory(dir.file(folder));
  }
  const std::string line = password + "\n";
  writeAll(dir.file("pw.txt"), {line.begin(), line.end()});
  writeAll(dir.file("src/secret.bin"), secret);
}

std::string fixtureCarriers(std::span<const char* const> names) {
  std::string carriers;
  for (const char* name : names)
    carriers += std::string(" -c '") + MURL_TEST_DATA_DIR + "/" + name + "'";
  return carriers;
}

std::string fixtureTargets(std::span<const char* const> names) {
  std::string targets;
  for (const char* name : names) targets += std::string(" out/") + name;
  return targets;
}

}  // namespace murl::test
