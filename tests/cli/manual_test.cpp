// The manual pages against the programs' own --help: every option a command takes is described
// in the command's section of the page or among the options of every command, and the page
// describes no option the program does not take. Each command's help ends with an example.
#include <gtest/gtest.h>
#include <zlib.h>

#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include "support/cli_run.h"
#include "support/help_text.h"

namespace murl::test {
namespace {

// The options described in each section of a manual page: those named on the tag line of a
// ".TP" paragraph, by the ".SH" title or, under COMMANDS, by the ".SS" command name.
std::map<std::string, Names> manualOptions(const std::string& page) {
  static const std::regex option(R"((^|[\s"])(-[A-Za-z]|--[a-z][a-z0-9-]*)\b)");
  std::ifstream in(std::string(MURL_MANUAL_DIR) + "/" + page);
  std::map<std::string, Names> sections;
  std::string section;
  bool tag = false;
  for (std::string line; std::getline(in, line);) {
    line = std::regex_replace(line, std::regex(R"(\\-)"), "-");
    line = std::regex_replace(line, std::regex(R"(\\f[BIRP])"), "");
    if (line.rfind(".SH ", 0) == 0) {
      section = line.substr(4);
      sections[section];
    } else if (line.rfind(".SS ", 0) == 0) {
      std::istringstream words(line.substr(4));
      words >> section;
      sections[section];
    } else if (tag) {
      for (std::sregex_iterator m(line.begin(), line.end(), option), end; m != end; ++m)
        sections[section].insert((*m)[2]);
    }
    tag = line == ".TP";
  }
  return sections;
}

CliResult runApp(const TempDir& dir, const std::string& args) {
  return runCommand(dir, "'" + std::string(MURL_APP_PATH) + "' " + args);
}

TEST(ManualTest, MurlCliPageDescribesEveryCommandAndOptionOfItsHelp) {
  TempDir dir;
  std::map<std::string, Names> manual = manualOptions("murl-cli.1");
  const std::string top = helpText(dir);
  EXPECT_EQ(manual["OPTIONS"], helpOptions(top));

  const Names commands = helpCommands(top);
  ASSERT_GE(commands.size(), 6u);
  Names described;
  for (const auto& [name, options] : manual)
    if (name != "OPTIONS" && name == std::regex_replace(name, std::regex("[^a-z-]"), ""))
      described.insert(name);
  EXPECT_EQ(described, commands) << "every command has its .SS section, and only those";

  const Names& common = manual["OPTIONS OF EVERY COMMAND"];
  Names takenSomewhere;
  for (const std::string& command : commands) {
    const std::string help = helpText(dir, command);
    EXPECT_NE(help.find("Example:\n  murl-cli " + command), std::string::npos) << command;
    const Names taken = helpOptions(help);
    takenSomewhere.insert(taken.begin(), taken.end());
    Names documented = manual[command];
    documented.insert(common.begin(), common.end());
    EXPECT_EQ(missingFrom(taken, documented), Names{}) << command << ": undocumented options";
    EXPECT_EQ(missingFrom(manual[command], taken), Names{}) << command << ": options it lacks";
  }
  EXPECT_EQ(missingFrom(common, takenSomewhere), Names{}) << "common options no command takes";
}

TEST(ManualTest, MurlPageDescribesEveryOptionOfItsHelp) {
  if (std::string(MURL_APP_PATH).empty()) GTEST_SKIP() << "built without the desktop application";
  TempDir dir;
  const std::string help = helpText(dir, "", MURL_APP_PATH);
  EXPECT_EQ(manualOptions("murl.1")["OPTIONS"], helpOptions(help));
  EXPECT_EQ(helpOptions(help), (Names{"--help", "--lang", "--version", "-h"}));
  // A wrong argument prints the same text as a usage error.
  CliResult wrong = runApp(dir, "--colour");
  EXPECT_EQ(wrong.status, 2);
  EXPECT_EQ(wrong.err, help);
}

// --version names the zlib the program runs with, which decides how streams are compressed; the
// manual pages' title lines name the version they describe.
TEST(ManualTest, VersionNamesTheProgramItsVersionAndZlib) {
  for (const char* page : {"murl.1", "murl-cli.1"}) {
    std::ifstream in(std::string(MURL_MANUAL_DIR) + "/" + page);
    std::string line;
    while (std::getline(in, line) && line.rfind(".TH ", 0) != 0) {
    }
    EXPECT_NE(line.find(std::string("\"Murl ") + MURL_VERSION + "\""), std::string::npos)
        << page << ": " << line;
  }
  TempDir dir;
  const std::string tail = std::string(" ") + MURL_VERSION + " (zlib " + zlibVersion() + ")\n";
  CliResult cli = runCli(dir, "--version");
  EXPECT_EQ(cli.status, 0);
  EXPECT_EQ(cli.out, "murl-cli" + tail);
  if (std::string(MURL_APP_PATH).empty()) return;
  CliResult app = runApp(dir, "--version");
  EXPECT_EQ(app.status, 0);
  EXPECT_EQ(app.out, "murl" + tail);
}

}  // namespace
}  // namespace murl::test
