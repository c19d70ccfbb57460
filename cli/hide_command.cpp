#include <CLI/CLI.hpp>
#include <cstdio>
#include <ostream>

#include "cli/cli.h"
#include "cli/command.h"
#include "cli/texts.h"
#include "core/number_display.h"
#include "jobs/hiding_session.h"
#include "platform/file_system.h"
#include "stream/output_file.h"

namespace murl::cli {
namespace {

class HideCommand : public Command {
 public:
  const char* name() const override { return "hide"; }
  const char* description() const override {
    return "Hide files and folders in carriers, writing the target carriers into OUTDIR";
  }
  const char* example() const override {
    return "murl-cli hide -o out -c song1.wav -c song2.wav --password-file pw.txt "
           "letter.txt photos/";
  }
  bool needsPassword() const override { return true; }

  void define(CLI::App& app) override {
    app.add_option("-o,--output", output_, "Output folder for the target carriers")
        ->required()
        ->type_name(kFolderType);
    app.add_option("-c,--carrier", carriers_, "A carrier, in the order of use (repeatable)")
        ->required()
        ->type_name(kFileType)
        ->allow_extra_args(false)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    app.add_option("--compression", compression_, "Compression level, 0-6 or a level name")
        ->type_name("LEVEL")
        ->default_str("3 (Medium)");
    app.add_option("--report", reportFile_,
                   "Also write the whole Process Report, password included, to FILE: a new file "
                   "for you alone (standard output shows the password as *)")
        ->type_name(kFileType);
    app.add_flag("--skip-unreadable", skipUnreadable_,
                 "Leave out files and folders that cannot be read, without asking");
    app.add_flag("--no-verify", noVerify_,
                 "Do not read each target back after writing it (by default a target that does "
                 "not read back as written fails the hide and is not kept)");
    app.add_option("SOURCE", sources_, "Files and folders to hide")->required();
  }

  int execute(CommandContext& context) override {
    if (!compression_.empty()) {
      auto level = parseLevel(compression_);
      if (!level) {
        context.err << text(Text::kBadLevel, context.language) << compression_ << "\n";
        return kExitUsage;
      }
      context.options.compressionLevel = *level;
    }
    if (skipUnreadable_) context.reporter.skipUnreadable();
    // Started before anything else, so a report that could not be kept stops the run early.
    platform::Folder reportFolder;
    OutputFile report(context.workspace,
                      {MessageId::kFileExistsOverwrite, MessageId::kCouldntCreateFile});
    if (!reportFile_.empty() && !startReport(context, reportFolder, report)) return kExitFailure;
    HidingSession session(context.workspace, context.progress);
    if (!collectSources(context, session) || !session.buildStream(context.options))
      return kExitFailure;

    size_t notUsed = 0;
    if (!session.addCarriers(carriers_, context.options, sayNotUsed(context, notUsed)) ||
        !covers(context, session) || !session.outOfRangeCheck())
      return kExitFailure;

    OutputFolder output(context);
    if (!output.prepare(output_) || !session.writeCarriers(output_, context.options, !noVerify_))
      return kExitFailure;
    output.keep();
    const bool kept = reportFile_.empty() || finishReport(context, session.report(), report);
    const bool printed = printProcessReport(context, session.report(true), output_);
    return kept && printed ? kExitOk : kExitFailure;
  }

 private:
  bool startReport(CommandContext& context, platform::Folder& folder, OutputFile& report) const {
    folder = context.workspace.fileSystem.openFolder(platform::folderOf(reportFile_));
    if (folder.isOpen()) return report.start(folder, platform::baseName(reportFile_), true);
    context.workspace.show(MessageId::kCouldntCreateFile);
    return false;
  }

  static bool finishReport(CommandContext& context, const std::string& text, OutputFile& report) {
    const std::string lines = unixLines(text) + "\n";
    if (report.file().writeExact(lines.data(), lines.size())) return report.finish();
    report.discard();
    context.workspace.show(MessageId::kCouldntWriteFile);
    return false;
  }

  bool collectSources(CommandContext& context, HidingSession& session) const {
    for (const std::string& path : sources_)
      if (!session.addSource(path)) return false;
    if (session.sources().fileCount() > 0) return true;
    context.err << text(Text::kNoSourceFiles, context.language) << "\n";
    return false;
  }

  // The carriers must hold the whole stream before anything is written.
  static bool covers(CommandContext& context, const HidingSession& session) {
    uint32_t missing = session.missingBits();
    if (missing == 0) return true;
    uint32_t held = session.carriers().totalBits();
    char line[512];
    std::snprintf(line, sizeof line, text(Text::kMoreBitsNeeded, context.language),
                  formatCount(missing).c_str(), formatCount(held).c_str(),
                  formatCount(session.streamBits()).c_str());
    context.err << line << "\n";
    return false;
  }

  std::string output_;
  std::vector<std::string> carriers_;
  std::vector<std::string> sources_;
  std::string compression_;
  std::string reportFile_;
  bool skipUnreadable_ = false;
  bool noVerify_ = false;
};

}  // namespace

std::unique_ptr<Command> makeHideCommand() { return std::make_unique<HideCommand>(); }

}  // namespace murl::cli
