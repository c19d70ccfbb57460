#include "support/help_text.h"

#include <gtest/gtest.h>

#include <regex>
#include <sstream>

#include "support/cli_run.h"

namespace murl::test {

std::string helpText(const TempDir& dir, const std::string& args, const std::string& program) {
  CliResult help = runCommand(dir, "'" + program + "' " + args + " --help");
  EXPECT_EQ(help.status, 0) << program << " " << args << ": " << help.err;
  return help.out;
}

Names helpOptions(const std::string& help) {
  static const std::regex option(R"(^\s+(-[A-Za-z]|--[a-z][a-z0-9-]*)(,(--[a-z][a-z0-9-]*))?)");
  Names names;
  std::istringstream lines(help);
  for (std::string line; std::getline(lines, line);) {
    std::smatch m;
    if (!std::regex_search(line, m, option)) continue;
    names.insert(m[1]);
    if (m[3].matched) names.insert(m[3]);
  }
  return names;
}

Names helpCommands(const std::string& help) {
  static const std::regex command(R"(^\s+([a-z][a-z0-9-]*)\s)");
  Names names;
  std::istringstream lines(help);
  bool inCommands = false;
  for (std::string line; std::getline(lines, line);) {
    if (line.empty() || line[0] != ' ') inCommands = line == "Subcommands:";
    std::smatch m;
    if (inCommands && std::regex_search(line, m, command)) names.insert(m[1]);
  }
  return names;
}

Names missingFrom(const Names& names, const Names& others) {
  Names missing;
  for (const std::string& name : names)
    if (!others.count(name)) missing.insert(name);
  return missing;
}

}  // namespace murl::test
