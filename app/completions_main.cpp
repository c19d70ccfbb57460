// Writes murl-cli's shell completions from its own command line: `murl_completions bash FILE`
// or `murl_completions zsh FILE`. Run by the build, so the installed scripts always match.
#include <cstring>
#include <fstream>
#include <iostream>

#include "cli/command_line.h"
#include "cli/completion.h"

int main(int argc, char** argv) {
  if (argc != 3 || (std::strcmp(argv[1], "bash") != 0 && std::strcmp(argv[1], "zsh") != 0)) {
    std::cerr << "usage: murl_completions bash|zsh FILE\n";
    return 2;
  }
  std::unique_ptr<murl::cli::CommandLine> line = murl::cli::makeCommandLine();
  const bool bash = std::strcmp(argv[1], "bash") == 0;
  std::ofstream out(argv[2], std::ios::binary);
  out << (bash ? murl::cli::bashCompletion(line->app) : murl::cli::zshCompletion(line->app));
  out.close();
  if (!out) {
    std::cerr << "murl_completions: cannot write " << argv[2] << "\n";
    return 1;
  }
  return 0;
}
