#include <CLI/CLI.hpp>
#include <ostream>

#include "cli/cli.h"
#include "cli/command.h"
#include "cli/texts.h"
#include "jobs/unhiding_session.h"

namespace murl::cli {
namespace {

struct Selection {
  const ExtractionFolder* folder;
  std::vector<size_t> items;
};

// The folder and item number (subfolders first, then files) a hidden path names; components are
// separated by "/" or "\" and compared exactly.
bool findItem(const ExtractionTree& tree, const std::string& path, const ExtractionFolder*& folder,
              size_t& item) {
  std::vector<std::string> parts;
  std::string part;
  for (char c : path + "/") {
    if (c != '/' && c != '\\') {
      part += c;
    } else if (!part.empty()) {
      parts.push_back(part);
      part.clear();
    }
  }
  if (parts.empty()) return false;
  folder = &tree.root();
  for (size_t p = 0; p < parts.size(); ++p) {
    bool last = p + 1 == parts.size();
    const ExtractionFolder* next = nullptr;
    for (size_t i = 0; i < folder->subfolders.size() && !next; ++i)
      if (folder->subfolders[i]->name == parts[p]) next = folder->subfolders[i], item = i;
    if (last && !next) {
      for (size_t i = 0; i < folder->files.size(); ++i)
        if (folder->files[i].name == parts[p]) return item = folder->subfolders.size() + i, true;
      return false;
    }
    if (!next) return false;
    if (!last) folder = next;
  }
  return true;
}

class UnhideCommand : public Command {
 public:
  const char* name() const override { return "unhide"; }
  const char* description() const override {
    return "Extract the hidden files of carriers (all, or the selected paths) into OUTDIR";
  }
  const char* example() const override {
    return "murl-cli unhide -o restored --password-file pw.txt out/song1.wav out/song2.wav";
  }
  bool needsPassword() const override { return true; }
  void define(CLI::App& app) override {
    app.add_option("-o,--output", output_, "Folder to extract into")
        ->required()
        ->type_name(kFolderType);
    app.add_option("--select", selected_,
                   "A hidden file or folder to extract with its subtree, e.g. docs/a.txt "
                   "(repeatable; default: everything)")
        ->type_name("PATH")
        ->allow_extra_args(false)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    defineTargetCarriers(app, carriers_);
  }

  int execute(CommandContext& context) override {
    UnhidingSession session(context.workspace, context.progress);
    if (!unhideCarriers(context, carriers_, session)) return kExitFailure;
    std::vector<Selection> groups;
    for (const std::string& path : selected_) {
      const ExtractionFolder* folder = nullptr;
      size_t item = 0;
      if (!findItem(session.tree(), path, folder, item)) {
        context.err << text(Text::kSelectionNotFound, context.language) << context.forErr(path)
                    << "\n";
        return kExitFailure;
      }
      if (groups.empty() || groups.back().folder != folder) groups.push_back({folder, {}});
      groups.back().items.push_back(item);
    }
    OutputFolder output(context);
    if (!output.prepare(output_)) return kExitFailure;
    if (selected_.empty() && !session.extractAll(output_)) return kExitFailure;
    for (const Selection& group : groups)
      if (!session.extractSelected(*group.folder, group.items, output_)) return kExitFailure;
    output.keep();
    return kExitOk;
  }

 private:
  std::string output_;
  std::vector<std::string> selected_;
  TargetCarriers carriers_;
};

}  // namespace

std::unique_ptr<Command> makeUnhideCommand() { return std::make_unique<UnhideCommand>(); }

}  // namespace murl::cli
