#include <CLI/CLI.hpp>
#include <ostream>

#include "cli/cli.h"
#include "cli/command.h"
#include "core/number_display.h"
#include "jobs/unhiding_session.h"
#include "stream/extraction_tree.h"

namespace murl::cli {

namespace {

void printRow(std::ostream& out, const std::string& name, const std::string& attr,
              const std::string& size) {
  std::string padded = name.size() < 40 ? name + std::string(40 - name.size(), ' ') : name + " ";
  out << padded << (attr + "      ").substr(0, 6) << size << "\n";
}

void printFolder(std::ostream& out, const ExtractionFolder& folder, const std::string& indent,
                 Language language) {
  for (const ExtractionFolder* sub : folder.subfolders) {
    printRow(out, indent + sub->name + "/", "D", "");
    printFolder(out, *sub, indent + "  ", language);
  }
  const char* bytes = language == Language::kItalian ? " byte" : " bytes";
  for (const ExtractedFile& file : folder.files)
    printRow(out, indent + file.name, attributeLetters(file.attributes),
             formatCount(file.size) + bytes);
}

class ListCommand : public Command {
 public:
  const char* name() const override { return "list"; }
  const char* description() const override {
    return "Show the hidden files and folders of carriers without extracting them";
  }
  const char* example() const override {
    return "murl-cli list --password-file pw.txt out/song1.wav out/song2.wav";
  }
  bool needsPassword() const override { return true; }
  void define(CLI::App& app) override { defineTargetCarriers(app, carriers_); }

  int execute(CommandContext& context) override {
    UnhidingSession session(context.workspace, context.progress);
    if (!unhideCarriers(context, carriers_, session)) return kExitFailure;
    bool italian = context.language == Language::kItalian;
    printRow(context.out, italian ? "Nome" : "Name", "Attr", italian ? "Dim" : "Size");
    printFolder(context.out, session.tree().root(), "", context.language);
    return kExitOk;
  }

 private:
  TargetCarriers carriers_;
};

}  // namespace

std::unique_ptr<Command> makeListCommand() { return std::make_unique<ListCommand>(); }

}  // namespace murl::cli
