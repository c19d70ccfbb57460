#include "cli/cli.h"

#include <CLI/CLI.hpp>
#include <ostream>

#include "cli/command_line.h"
#include "cli/texts.h"
#include "core/version.h"
#include "platform/console.h"
#include "platform/signals.h"

namespace murl::cli {
namespace {

// The commands of murl-cli, in the order --help lists them.
std::vector<std::unique_ptr<Command>> commandTable() {
  std::vector<std::unique_ptr<Command>> table;
  table.push_back(makeCapacityCommand());
  table.push_back(makeHideCommand());
  table.push_back(makeInspectCommand());
  table.push_back(makeListCommand());
  table.push_back(makeUnhideCommand());
  table.push_back(makeMarkCommand());
  table.push_back(makeCheckCommand());
  return table;
}

// After an interrupt signal the job has stopped and cleaned up as after any failure; the exit
// status tells the signal as a shell does.
int interrupted(int signal, Language language, std::ostream& err) {
  err << text(Text::kInterrupted, language) << "\n";
  return 128 + signal;
}

int execute(Command& command, const CommonOptions& common, std::ostream& out, std::ostream& err) {
  Language language = Language::kEnglish;
  if (!chooseLanguage(common, language, err)) return kExitUsage;
  Options options;
  if (!applyCommonOptions(common, options, err)) return kExitUsage;
  platform::StopOnSignals signals;
  bool interactive = interactiveTerminal();
  std::string password;
  if (command.needsPassword() &&
      !readPassword(common.passwordFile, interactive, language, err, password)) {
    if (int signal = platform::StopOnSignals::received()) return interrupted(signal, language, err);
    return kExitUsage;
  }

  ProgressBar progress(err,
                       !common.quiet && platform::isTerminal(platform::StandardStream::kError));
  TerminalReporter reporter(err, progress, interactive, common.overwrite, common.quiet, language);
  Workspace workspace(reporter, language);
  // Closing, unlike stop, is not cleared when the next job starts: a signal ends the command.
  signals.stopThrough(&workspace.closing);
  startSession(workspace);
  // Counting outside a session (capacity) reads these too.
  workspace.options = options;
  if (!password.empty()) workspace.password.take(password);
  std::fill(password.begin(), password.end(), '\0');
  CommandContext context{out,       err,      common,   language, interactive,
                         workspace, progress, reporter, options};
  context.outOnTerminal = platform::isTerminal(platform::StandardStream::kOutput);
  context.errOnTerminal = errorsOnTerminal();
  const int status = command.execute(context);
  signals.stopThrough(nullptr);
  if (int signal = platform::StopOnSignals::received()) return interrupted(signal, language, err);
  return status;
}

}  // namespace

std::unique_ptr<CommandLine> makeCommandLine() {
  auto line = std::make_unique<CommandLine>();
  CLI::App& app = line->app;
  app.description(
      "murl-cli: hides a tree of files inside ordinary media files and gets it back; writes "
      "copyright marks into carriers and checks them.");
  app.name("murl-cli");
  app.set_version_flag("--version", versionLine("murl-cli"));
  app.require_subcommand(0, 1);
  app.footer("Run 'murl-cli COMMAND --help' for a command's options and an example.");
  // Also before the command, so `murl-cli --lang it unhide ...` reads naturally.
  app.add_option("--lang", line->common.language,
                 "Language of the messages: en|it (default: locale)")
      ->type_name(kLanguageType);
  line->commands = commandTable();
  for (auto& command : line->commands) {
    CLI::App* sub = app.add_subcommand(command->name(), command->description());
    command->define(*sub);
    defineCommonOptions(*sub, line->common, command->needsPassword());
    sub->footer(std::string("Example:\n  ") + command->example());
    line->subs.push_back(sub);
  }
  return line;
}

int run(int argc, char** argv, std::ostream& out, std::ostream& err) {
  std::unique_ptr<CommandLine> line = makeCommandLine();
  CLI::App& app = line->app;
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
  for (size_t i = 0; i < line->commands.size(); ++i)
    if (line->subs[i]->parsed()) return execute(*line->commands[i], line->common, out, err);
  out << app.help();
  return kExitOk;
}

}  // namespace murl::cli
