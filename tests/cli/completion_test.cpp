// The shell completions the build writes for murl-cli, sourced by the shells themselves: every
// command and every option of every command is offered, and option values complete as their
// value names promise.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <sstream>

#include "support/cli_run.h"
#include "support/help_text.h"

namespace murl::test {
namespace {

const std::string kBashScript = std::string(MURL_COMPLETIONS_DIR) + "/murl-cli";
const std::string kZshScript = std::string(MURL_COMPLETIONS_DIR) + "/_murl-cli";

Names lines(const std::string& text) {
  Names names;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    if (!line.empty()) names.insert(line);
  return names;
}

Names longOptions(const Names& options) {
  Names names;
  for (const std::string& option : options)
    if (option.rfind("--", 0) == 0) names.insert(option);
  return names;
}

class CompletionTest : public ::testing::Test {
 protected:
  CompletionTest() {
    std::filesystem::create_directories(dir.file("media/folder"));
    writeAll(dir.file("media/song.wav"), {1, 2, 3});
    writeAll(dir.file("media/my song.wav"), {1, 2, 3});
  }

  // What bash offers for the words typed so far, the last one being completed.
  Names bashOffers(const std::string& typed) {
    const std::string script = "source '" + kBashScript + "' && COMP_WORDS=(" + typed +
                               ") && COMP_CWORD=$((${#COMP_WORDS[@]} - 1)) && _murl_cli && "
                               "printf '%s\\n' \"${COMPREPLY[@]}\"";
    writeAll(dir.file("complete.sh"), {script.begin(), script.end()});
    CliResult result = runCommand(dir, "bash complete.sh");
    EXPECT_EQ(result.status, 0) << typed << ": " << result.err;
    return lines(result.out);
  }

  Names helpOf(const std::string& args) { return helpOptions(helpText(dir, args)); }

  TempDir dir;
};

TEST_F(CompletionTest, BashOffersEveryCommandAndEveryOptionOfEach) {
  const Names commands = helpCommands(helpText(dir));
  EXPECT_EQ(bashOffers("murl-cli ''"), commands);
  EXPECT_EQ(bashOffers("murl-cli --"), longOptions(helpOf("")));
  for (const std::string& command : commands) {
    EXPECT_EQ(bashOffers("murl-cli " + command + " --"), longOptions(helpOf(command))) << command;
    EXPECT_EQ(bashOffers("murl-cli " + command + " -"), helpOf(command)) << command;
  }
}

TEST_F(CompletionTest, BashCompletesValuesAsTheirNamesPromise) {
  const struct {
    const char* typed;
    Names offered;
  } cases[] = {
      {"murl-cli hide --ou", {"--output"}},
      {"murl-cli --lang ''", {"en", "it"}},
      {"murl-cli unhide --lang i", {"it"}},
      {"murl-cli list --png-output ''", {"as-original", "interlaced", "linear"}},
      {"murl-cli hide -o media/", {"media/folder"}},
      {"murl-cli mark --output media/f", {"media/folder"}},
      {"murl-cli hide -c media/s", {"media/song.wav"}},
      {"murl-cli hide -c media/m", {"media/my song.wav"}},
      {"murl-cli list --password-file media/",
       {"media/folder", "media/my song.wav", "media/song.wav"}},
      {"murl-cli hide --compression ''", {}},
      {"murl-cli check media/", {"media/folder", "media/my song.wav", "media/song.wav"}},
      {"murl-cli --lang it unhide -o out --o", {"--output", "--overwrite"}},
      {"murl-cli h", {"hide"}},
  };
  for (const auto& c : cases) EXPECT_EQ(bashOffers(c.typed), c.offered) << c.typed;
}

// zsh's completion functions are stood in for by ones that print what they are given, so the
// test reads the option descriptions the script hands them.
TEST_F(CompletionTest, ZshDescribesEveryCommandAndEveryOptionOfEach) {
  if (runCommand(dir, "command -v zsh").status != 0) GTEST_SKIP() << "zsh is not installed";
  CliResult syntax = runCommand(dir, "zsh -n '" + kZshScript + "'");
  ASSERT_EQ(syntax.status, 0) << syntax.err;

  const Names commands = helpCommands(helpText(dir));
  std::string script =
      "_arguments() { print -rl -- \"$@\"; }\n"
      "_describe() { print -rl -- \"${(@P)4}\"; }\n"
      "source '" +
      kZshScript +
      "'\n"
      "print -- '== commands'; _murl_cli_commands\n";
  for (const std::string& command : commands)
    script += "print -- '== " + command + "'; words=(" + command + "); _murl_cli_command\n";
  writeAll(dir.file("complete.zsh"), {script.begin(), script.end()});
  CliResult result = runCommand(dir, "zsh -f complete.zsh");
  ASSERT_EQ(result.status, 0) << result.err;

  // Each block after a "== name" line: option entries ("*--level[...]:...") or "command:text".
  static const std::regex optionEntry(R"(^\*?(-[A-Za-z]|--[a-z][a-z0-9-]*)\[)");
  std::map<std::string, Names> offered;
  std::string block = "";
  std::istringstream lines(result.out);
  for (std::string line; std::getline(lines, line);) {
    std::smatch m;
    if (line.rfind("== ", 0) == 0) {
      block = line.substr(3);
    } else if (block == "commands") {
      offered[block].insert(line.substr(0, line.find(':')));
    } else if (std::regex_search(line, m, optionEntry)) {
      offered[block].insert(m[1]);
    }
  }
  EXPECT_EQ(offered[""], helpOf(""));
  EXPECT_EQ(offered["commands"], commands);
  for (const std::string& command : commands)
    EXPECT_EQ(offered[command], helpOf(command)) << command;
  EXPECT_NE(result.out.find("--output[Output folder for the target carriers]:folder:_files -/"),
            std::string::npos);
  EXPECT_NE(result.out.find("--lang[Language of the messages\\: en|it (default\\: locale)]"
                            ":value:(en it)"),
            std::string::npos);
}

}  // namespace
}  // namespace murl::test
