#pragma once
// Shell completion scripts for murl-cli, written from its CLI11 declaration (cli/command_line.h):
// every command, every option, and for each option's value what its value name promises (a
// folder, a file, or one of the words between "|"). Positional arguments complete as files.
#include <string>

namespace CLI {
class App;
}

namespace murl::cli {

// A bash script defining _murl_cli and registering it for murl-cli; needs nothing but bash.
std::string bashCompletion(const CLI::App& app);
// A zsh completion function file (#compdef murl-cli) for a folder on $fpath, named _murl-cli.
std::string zshCompletion(const CLI::App& app);

}  // namespace murl::cli
