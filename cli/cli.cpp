#include "cli/cli.h"

#include <CLI/CLI.hpp>
#include <ostream>

namespace murl::cli {

int run(int argc, char** argv, std::ostream& out, std::ostream& err) {
  CLI::App app{"murl-cli: hides a tree of files inside ordinary media files, and gets it back."};
  app.set_version_flag("--version", std::string("murl-cli ") + MURL_VERSION);
  app.require_subcommand(0, 1);
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    out << app.help();
    return kExitOk;
  } catch (const CLI::CallForVersion&) {
    out << app.version() << "\n";
    return kExitOk;
  } catch (const CLI::ParseError& e) {
    err << e.what() << "\n";
    return kExitUsage;
  }
  if (app.get_subcommands().empty()) {
    out << app.help();
  }
  return kExitOk;
}

}  // namespace murl::cli
