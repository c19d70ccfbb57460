#include <CLI/CLI.hpp>
#include <cstdio>
#include <ostream>

#include "cli/cli.h"
#include "cli/command.h"
#include "cli/texts.h"
#include "core/number_display.h"
#include "jobs/carrier_list.h"
#include "jobs/hiding_job.h"
#include "jobs/process_report.h"

namespace murl::cli {
namespace {

std::string unixLines(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i)
    if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) out += text[i];
  return out;
}

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
    app.add_option("-o,--output", output_, "Output folder for the target carriers")->required();
    app.add_option("-c,--carrier", carriers_, "A carrier, in the order of use (repeatable)")
        ->required()
        ->allow_extra_args(false)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    app.add_option("--compression", compression_, "Compression level, 0-6 or a level name")
        ->default_str("3 (Medium)");
    app.add_option("SOURCE", sources_, "Files and folders to hide")->required();
  }

  int execute(Session& session) override {
    Workspace& workspace = session.workspace;
    if (!compression_.empty()) {
      auto level = parseLevel(compression_);
      if (!level) {
        session.err << text(Text::kBadLevel, session.language) << compression_ << "\n";
        return kExitUsage;
      }
      workspace.options.compressionLevel = *level;
    }
    if (!outputFolderExists(session, output_)) return kExitFailure;
    HidingJob job(workspace, session.progress);
    if (!buildStreamFromSources(session, sources_, job)) return kExitFailure;

    CarrierList list(ListContext::kHiding);
    list.setStreamBits(job.streamBits());
    if (!fillCarrierList(session, list, carriers_, false) || !covers(session, list) ||
        !list.outOfRangeCheck(workspace))
      return kExitFailure;

    workspace.stop = false;
    if (!job.writeCarriers(list.entries(), output_)) return kExitFailure;
    job.discardStream();
    session.out << unixLines(
                       buildHidingReport(hidingReportInput(list.entries(), job.plan(), workspace)))
                << "\n";
    if (!session.common.quiet)
      session.err << text(Text::kReportWritten, session.language) << output_ << "\n";
    return kExitOk;
  }

 private:
  // The carriers must hold the whole stream before anything is written.
  static bool covers(Session& session, const CarrierList& list) {
    if (list.totalBits() >= list.streamBits()) return true;
    char line[512];
    std::snprintf(line, sizeof line, text(Text::kMoreBitsNeeded, session.language),
                  formatCount(list.streamBits() - list.totalBits()).c_str(),
                  formatCount(list.totalBits()).c_str(), formatCount(list.streamBits()).c_str());
    session.err << line << "\n";
    return false;
  }

  std::string output_;
  std::vector<std::string> carriers_;
  std::vector<std::string> sources_;
  std::string compression_;
};

}  // namespace

std::unique_ptr<Command> makeHideCommand() { return std::make_unique<HideCommand>(); }

}  // namespace murl::cli
