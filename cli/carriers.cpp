#include <CLI/CLI.hpp>
#include <ostream>

#include "cli/command.h"
#include "cli/texts.h"
#include "jobs/unhiding_session.h"
#include "platform/folders.h"

namespace murl::cli {

NotUsed sayNotUsed(CommandContext& context, size_t& count) {
  return [&context, &count](const std::string& path) {
    context.progress.clear();
    context.err << text(Text::kCarrierNotUsed, context.language) << path << "\n";
    ++count;
  };
}

bool unhideCarriers(CommandContext& context, const std::vector<std::string>& paths,
                    UnhidingSession& session) {
  size_t notUsed = 0;
  if (!session.addCarriers(paths, context.options, sayNotUsed(context, notUsed)) || notUsed > 0)
    return false;
  return session.unhide(context.options);
}

void defineTargetCarriers(CLI::App& app, std::vector<std::string>& carriers) {
  app.add_option("CARRIER", carriers, "Target carriers, in the order they were written")
      ->required();
}

bool outputFolderExists(CommandContext& context, const std::string& folder) {
  if (context.workspace.fileSystem.isFolder(folder)) return true;
  context.err << text(Text::kOutputFolderMissing, context.language) << folder << "\n";
  return false;
}

void printProcessReport(CommandContext& context, const std::string& report,
                        const std::string& outputFolder) {
  context.out << unixLines(report) << "\n";
  if (!context.common.quiet)
    context.err << text(Text::kReportWritten, context.language) << outputFolder << "\n";
}

}  // namespace murl::cli
