#include <CLI/CLI.hpp>
#include <ostream>

#include "cli/command.h"
#include "cli/texts.h"
#include "jobs/carrier_list.h"
#include "jobs/unhiding_job.h"
#include "platform/folders.h"

namespace murl::cli {

bool fillCarrierList(Session& session, CarrierList& list, const std::vector<std::string>& paths,
                     bool strict) {
  bool all = true;
  bool full = false;
  for (const std::string& path : paths) {
    CarrierAddResult result =
        full ? CarrierAddResult::kLimitReached : list.add(path, session.workspace);
    if (result == CarrierAddResult::kAdded) continue;
    if (result == CarrierAddResult::kOutOfMemory) return false;
    if (result == CarrierAddResult::kLimitReached) full = true;
    session.progress.clear();
    session.err << text(Text::kCarrierNotUsed, session.language) << path << "\n";
    all = false;
  }
  return all || !strict;
}

bool unhideCarriers(Session& session, const std::vector<std::string>& paths, UnhidingJob& job) {
  CarrierList list(ListContext::kUnhiding);
  if (!fillCarrierList(session, list, paths, true)) return false;
  session.workspace.stop = false;
  return job.run(list.entries());
}

void defineTargetCarriers(CLI::App& app, std::vector<std::string>& carriers) {
  app.add_option("CARRIER", carriers, "Target carriers, in the order they were written")
      ->required();
}

bool outputFolderExists(Session& session, const std::string& folder) {
  if (session.workspace.fileSystem.isFolder(folder)) return true;
  session.err << text(Text::kOutputFolderMissing, session.language) << folder << "\n";
  return false;
}

}  // namespace murl::cli
