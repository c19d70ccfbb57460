#pragma once
// murl-cli's whole command line as CLI11 declares it: the program's own options and every
// command's sub-app. The parser and the tools that describe the program (shell completions) are
// made from this one declaration, so they cannot disagree.
#include <CLI/CLI.hpp>
#include <memory>
#include <vector>

#include "cli/command.h"

namespace murl::cli {

struct CommandLine {
  CLI::App app;
  CommonOptions common;  // where the parse puts the options every command shares
  std::vector<std::unique_ptr<Command>> commands;
  std::vector<CLI::App*> subs;  // each command's sub-app, in the order of `commands`
};

std::unique_ptr<CommandLine> makeCommandLine();

}  // namespace murl::cli
