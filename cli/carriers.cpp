#include <CLI/CLI.hpp>
#include <ostream>

#include "cli/command.h"
#include "cli/escaping.h"
#include "cli/texts.h"
#include "jobs/unhiding_session.h"
#include "platform/file_system.h"
#include "platform/folders.h"

namespace murl::cli {

std::string CommandContext::forOut(std::string_view text, bool keepLineBreaks) const {
  return outOnTerminal ? terminalText(text, keepLineBreaks) : std::string(text);
}

std::string CommandContext::forErr(std::string_view text) const {
  return errOnTerminal ? terminalText(text) : std::string(text);
}

NotUsed sayNotUsed(CommandContext& context, size_t& count) {
  return [&context, &count](const std::string& path) {
    context.progress.clear();
    context.err << text(Text::kCarrierNotUsed, context.language) << context.forErr(path) << "\n";
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

bool OutputFolder::prepare(const std::string& folder) {
  platform::FileSystem& files = context_.workspace.fileSystem;
  if (files.isFolder(folder)) return true;
  // Each missing folder on the way, from the top down; made for the user alone, since they are
  // to hold what was hidden.
  for (size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
    const std::string upTo = folder.substr(0, slash);
    if (!upTo.empty() && !files.isFolder(upTo)) {
      if (!files.createFolder(upTo, true)) {
        context_.err << text(Text::kOutputFolderNotCreated, context_.language)
                     << context_.forErr(folder) << "\n";
        return false;
      }
      made_.push_back(upTo);
    }
    if (slash == std::string::npos) break;
  }
  if (!context_.common.quiet)
    context_.err << text(Text::kOutputFolderCreated, context_.language) << context_.forErr(folder)
                 << "\n";
  return true;
}

OutputFolder::~OutputFolder() {
  // Deepest first; a folder that holds anything stays, and so do those above it.
  for (auto made = made_.rbegin(); made != made_.rend(); ++made) {
    platform::Folder parent = context_.workspace.fileSystem.openFolder(platform::folderOf(*made));
    if (!parent.removeSubfolder(platform::baseName(*made))) break;
  }
}

bool printProcessReport(CommandContext& context, const std::string& report,
                        const std::string& outputFolder) {
  context.out << context.forOut(unixLines(report), true) << "\n" << std::flush;
  if (!context.out) {
    context.err << text(Text::kReportNotPrinted, context.language) << "\n";
    return false;
  }
  if (!context.common.quiet)
    context.err << text(Text::kReportWritten, context.language) << context.forErr(outputFolder)
                << "\n";
  return true;
}

}  // namespace murl::cli
