#pragma once
// The commands of murl-cli: one class per command, registered in one table (cli.cpp). A command
// declares its options on its own CLI11 sub-app, then runs with a CommandContext that holds what
// every command shares; the work itself is done by the sessions of jobs/.
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "carriers/common/contract.h"
#include "cli/terminal.h"
#include "core/options.h"
#include "core/workspace.h"
#include "jobs/session.h"

namespace CLI {
class App;
}

namespace murl {
class UnhidingSession;
}  // namespace murl

namespace murl::cli {

// Value names shown by --help that also tell shell completion what to offer: a folder, a file,
// or one of the words between "|".
constexpr const char* kFolderType = "FOLDER";
constexpr const char* kFileType = "FILE";
constexpr const char* kLanguageType = "en|it";

// The options every command takes.
struct CommonOptions {
  std::vector<std::string> levels;  // FORMAT=N
  // The formats' own options as given, by the registry's order (empty when not given).
  std::vector<std::string> formatOptions;
  std::string language;  // "en" or "it"; empty follows the locale
  std::string passwordFile;
  bool overwrite = false;
  bool quiet = false;
};

// Declares the common options on a command's sub-app (password file only when it asks for one).
void defineCommonOptions(CLI::App& app, CommonOptions& common, bool withPassword);
// Checks the common options and puts them into `options`; false with a message on `err` when one
// is out of range (a usage error).
bool applyCommonOptions(const CommonOptions& common, Options& options, std::ostream& err);
// The language --lang chose, else the locale's. False for anything but en or it.
bool chooseLanguage(const CommonOptions& common, Language& language, std::ostream& err);

// What a running command works with.
struct CommandContext {
  std::ostream& out;
  std::ostream& err;
  const CommonOptions& common;
  Language language;
  bool interactive;
  Workspace& workspace;
  ProgressBar& progress;
  TerminalReporter& reporter;
  Options& options;  // the command line's; each job takes its own copy when it starts
  bool outOnTerminal = false;
  bool errOnTerminal = false;

  // A name (or a text of lines) as printed on stdout or stderr: escaped when that is a terminal,
  // since names may hold any bytes; as it is for a file or a pipe.
  std::string forOut(std::string_view text, bool keepLineBreaks = false) const;
  std::string forErr(std::string_view text) const;
};

class Command {
 public:
  virtual ~Command() = default;
  virtual const char* name() const = 0;
  virtual const char* description() const = 0;
  // An example line for --help.
  virtual const char* example() const = 0;
  virtual bool needsPassword() const { return false; }
  // Declares the command's own options and arguments.
  virtual void define(CLI::App& app) = 0;
  // Runs the command; returns the exit status.
  virtual int execute(CommandContext& context) = 0;
};

// Names each carrier the list did not take on stderr as not used, and counts them.
NotUsed sayNotUsed(CommandContext& context, size_t& count);

// The target carriers of the commands that read them back, and how their order is taken.
struct TargetCarriers {
  std::vector<std::string> paths;
  bool strictOrder = false;
};

// Fills an unhiding session with every carrier (in the order they were hidden into) and
// unhides them; a note on stderr names the order used when the trailers' was. False once a
// failure has been reported: a carrier not used is one; when the bits did not decode, what the
// trailers tell follows the message.
bool unhideCarriers(CommandContext& context, const TargetCarriers& targets,
                    UnhidingSession& session);

// Declares the CARRIER arguments and --strict-order of the commands that read targets back.
void defineTargetCarriers(CLI::App& app, TargetCarriers& targets);

// The output folder of a command that writes files. prepare() makes it and any missing folder
// above it, for the user alone, saying so unless quiet; true at once when it is a folder already,
// false after naming it on stderr. The folders it made go again, those left empty, when the
// object ends before keep(): a failed job leaves nothing of its own behind.
class OutputFolder {
 public:
  explicit OutputFolder(CommandContext& context) : context_(context) {}
  ~OutputFolder();
  OutputFolder(const OutputFolder&) = delete;
  OutputFolder& operator=(const OutputFolder&) = delete;

  bool prepare(const std::string& folder);
  void keep() { made_.clear(); }

 private:
  CommandContext& context_;
  std::vector<std::string> made_;  // top down
};

// Prints a Process Report on stdout and, unless quiet, where the targets went on stderr. False
// after a message when stdout could not take it: the report is the only record of the carrier
// order and the levels.
bool printProcessReport(CommandContext& context, const std::string& report,
                        const std::string& outputFolder);

std::unique_ptr<Command> makeCapacityCommand();
std::unique_ptr<Command> makeHideCommand();
std::unique_ptr<Command> makeInspectCommand();
std::unique_ptr<Command> makeListCommand();
std::unique_ptr<Command> makeUnhideCommand();
std::unique_ptr<Command> makeMarkCommand();
std::unique_ptr<Command> makeCheckCommand();

}  // namespace murl::cli
