#include <CLI/CLI.hpp>
#include <ostream>

#include "cli/cli.h"
#include "cli/command.h"
#include "cli/texts.h"
#include "jobs/authoring_session.h"
#include "platform/folders.h"

namespace murl::cli {
namespace {

class MarkCommand : public Command {
 public:
  const char* name() const override { return "mark"; }
  const char* description() const override {
    return "Write a copyright mark into carriers, writing the marked target carriers into OUTDIR";
  }
  const char* example() const override {
    return "murl-cli mark -o marked --mark-file mark.txt photo.bmp song.wav";
  }

  void define(CLI::App& app) override {
    app.add_option("-o,--output", output_, "Output folder for the marked carriers")
        ->required()
        ->type_name(kFolderType);
    app.add_option("--mark-file", markFile_,
                   "Read the mark from the first line of FILE (else $MURL_MARK, else it is asked "
                   "twice on the terminal); 1 to 100 characters")
        ->type_name(kFileType);
    app.add_option("CARRIER", carriers_, "Carriers to mark, each of at least 800 carrier bits")
        ->required();
  }

  int execute(CommandContext& context) override {
    std::string mark;
    if (!readMark(markFile_, context.interactive, context.language, context.err, mark))
      return kExitUsage;
    AuthoringSession session(context.workspace, context.progress);
    session.setMark(mark);
    // The report names every carrier by its full path.
    std::vector<std::string> paths;
    for (const std::string& carrier : carriers_) paths.push_back(platform::absolutePath(carrier));
    size_t notUsed = 0;
    if (!session.addCarriers(paths, context.options, sayNotUsed(context, notUsed)))
      return kExitFailure;
    if (notUsed > 0) {
      context.err << text(Text::kNothingMarked, context.language) << "\n";
      return kExitFailure;
    }
    OutputFolder output(context);
    if (!output.prepare(output_) || !session.markCarriers(output_, context.options))
      return kExitFailure;
    output.keep();
    return printProcessReport(context, session.report(), output_) ? kExitOk : kExitFailure;
  }

 private:
  std::string output_;
  std::string markFile_;
  std::vector<std::string> carriers_;
};

}  // namespace

std::unique_ptr<Command> makeMarkCommand() { return std::make_unique<MarkCommand>(); }

}  // namespace murl::cli
