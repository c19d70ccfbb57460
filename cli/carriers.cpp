#include <CLI/CLI.hpp>
#include <ostream>

#include "cli/command.h"
#include "cli/escaping.h"
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

bool unhideCarriers(CommandContext& context, const TargetCarriers& targets,
                    UnhidingSession& session) {
  size_t notUsed = 0;
  if (!session.addCarriers(targets.paths, context.options, sayNotUsed(context, notUsed)) ||
      notUsed > 0)
    return false;
  const bool unhidden = session.unhide(context.options, targets.strictOrder);
  context.progress.clear();
  std::vector<std::string> lines;
  if (!session.orderUsed().empty() && !context.common.quiet)
    lines = orderUsedLines(targets.paths, session.orderUsed(), context.language);
  if (session.diagnosis()) {
    for (std::string& line : verdictLines(*session.diagnosis(), context.language, true))
      lines.push_back(std::move(line));
  }
  for (const std::string& line : lines) context.err << terminalText(line) << "\n";
  return unhidden;
}

void defineTargetCarriers(CLI::App& app, TargetCarriers& targets) {
  app.add_option("CARRIER", targets.paths, "Target carriers, in the order they were written")
      ->required();
  app.add_flag("--strict-order", targets.strictOrder,
               "Read the carriers in the order given even when their trailers give another");
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
