#pragma once
// The commands of murl-cli: one class per command, registered in one table (cli.cpp). A command
// declares its options on its own CLI11 sub-app, then runs with a Session that holds what every
// command shares.
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "carriers/common/contract.h"
#include "cli/terminal.h"
#include "core/options.h"
#include "core/workspace.h"

namespace CLI {
class App;
}

namespace murl {
class CarrierList;
class HidingJob;
class UnhidingJob;
}  // namespace murl

namespace murl::cli {

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
struct Session {
  std::ostream& out;
  std::ostream& err;
  const CommonOptions& common;
  Language language;
  bool interactive;
  Workspace& workspace;
  ProgressBar& progress;
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
  virtual int execute(Session& session) = 0;
};

// Fills the source tree from files and folders and builds the stream from it (phase 1 of the
// hiding job). False once a failure or a stop has been reported.
bool buildStreamFromSources(Session& session, const std::vector<std::string>& sources,
                            HidingJob& job);

// Offers each carrier to the list in order. Carriers the list does not take are named on
// stderr as not used; with `strict` (unhiding, where every carrier counts) that is a failure.
bool fillCarrierList(Session& session, CarrierList& list, const std::vector<std::string>& paths,
                     bool strict);

// Fills an unhiding list with every carrier (in the order they were hidden into) and runs the
// unhiding job over it. False once a failure has been reported.
bool unhideCarriers(Session& session, const std::vector<std::string>& paths, UnhidingJob& job);

// Declares the CARRIER arguments of the commands that read target carriers back.
void defineTargetCarriers(CLI::App& app, std::vector<std::string>& carriers);

// True when `folder` is a folder; else names it on stderr as missing.
bool outputFolderExists(Session& session, const std::string& folder);

std::unique_ptr<Command> makeCapacityCommand();
std::unique_ptr<Command> makeHideCommand();
std::unique_ptr<Command> makeListCommand();
std::unique_ptr<Command> makeUnhideCommand();

}  // namespace murl::cli
