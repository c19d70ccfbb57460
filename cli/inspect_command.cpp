#include <CLI/CLI.hpp>
#include <ostream>

#include "carriers/registry.h"
#include "cli/cli.h"
#include "cli/command.h"
#include "cli/escaping.h"
#include "jobs/inspecting_session.h"

namespace murl::cli {
namespace {

const char* verdictName(Verdict verdict) {
  switch (verdict) {
    case Verdict::kComplete:
      return "complete";
    case Verdict::kReordered:
      return "reordered";
    case Verdict::kOtherLevels:
      return "other-levels";
    case Verdict::kMissing:
      return "missing";
    case Verdict::kRepeated:
      return "repeated";
    case Verdict::kUnreadable:
      return "unreadable";
    case Verdict::kMixedJobs:
      return "mixed-jobs";
    case Verdict::kNoCarriers:
      break;
  }
  return "no-carriers";
}

template <class T, class Write>
std::string jsonList(const std::vector<T>& items, Write write) {
  std::string text = "[";
  for (size_t i = 0; i < items.size(); ++i) text += (i ? ", " : "") + write(items[i]);
  return text + "]";
}

std::string number(uint64_t value) { return std::to_string(value); }

std::string levelsJson(const std::vector<LevelSetting>& levels) {
  return jsonList(levels, [](const LevelSetting& s) {
    return "{\"format\": " + jsonString(levelFacts(s.format).reportName) +
           ", \"level\": " + number(s.level) + "}";
  });
}

std::string carrierJson(const CarrierInspection& c) {
  std::string text =
      "{\"path\": " + jsonString(c.path) + ", \"carrier\": " + (c.carrier ? "true" : "false");
  if (c.carrier) {
    text += ", \"type\": " + jsonString(typeFacts(c.type).name) +
            ", \"carrierBits\": " + number(c.carrierBits) + ", \"levels\": " + levelsJson(c.levels);
  }
  text += ", \"trailer\": " + std::string(c.trailerFound ? "true" : "false");
  if (c.trailerFound) {
    text += ", \"otherLevels\": " + std::string(c.otherLevels ? "true" : "false") +
            ", \"session\": " + number(c.trailer.sessionNumber) +
            ", \"job\": " + number(c.trailer.jobNumber) +
            ", \"index\": " + number(c.trailer.carrierIndex) +
            ", \"count\": " + number(c.trailer.carrierCount);
  }
  return text + "}";
}

// Positions and indices count from 0, as the trailers do.
void printJson(std::ostream& out, const InspectionVerdict& v, Language language) {
  const auto numbers = [](const auto& items) { return jsonList(items, number); };
  out << "{\n  \"carriers\": [\n";
  for (size_t i = 0; i < v.carriers.size(); ++i)
    out << "    " << carrierJson(v.carriers[i]) << (i + 1 < v.carriers.size() ? ",\n" : "\n");
  out << "  ],\n"
      << "  \"verdict\": " << jsonString(verdictName(v.verdict)) << ",\n"
      << "  \"carrierCount\": " << v.carrierCount << ",\n"
      << "  \"order\": " << numbers(v.order) << ",\n"
      << "  \"missing\": " << numbers(v.missing) << ",\n"
      << "  \"repeated\": " << numbers(v.repeated) << ",\n"
      << "  \"unreadable\": " << numbers(v.unreadable) << ",\n"
      << "  \"jobs\": " << jsonList(v.jobs, numbers) << ",\n"
      << "  \"levels\": " << levelsJson(v.levels) << ",\n"
      << "  \"text\": " << jsonList(verdictLines(v, language), jsonString) << "\n}\n";
}

void printText(std::ostream& out, const InspectionVerdict& v, Language language) {
  for (const CarrierInspection& c : v.carriers)
    out << terminalText(c.path) << "  " << carrierSummary(c, language) << "\n";
  for (const std::string& line : verdictLines(v, language)) out << terminalText(line) << "\n";
}

class InspectCommand : public Command {
 public:
  const char* name() const override { return "inspect"; }
  const char* description() const override {
    return "Tell from their trailers, without the password, whether target carriers would "
           "unhide; exit status 0 only for all the carriers of one hiding job, in order, at the "
           "levels given";
  }
  const char* example() const override {
    return "murl-cli inspect out/song2.wav out/song1.wav out/photo.bmp";
  }
  void define(CLI::App& app) override {
    app.add_flag("--json", json_,
                 "Print one JSON object: carriers (path, carrier, type, carrierBits, levels, "
                 "trailer, otherLevels, session, job, index, count), verdict, carrierCount, "
                 "order, missing, repeated, unreadable, jobs, levels and text; positions and "
                 "indices count from 0");
    app.add_option("CARRIER", carriers_, "Target carriers, in the order you would unhide them")
        ->required();
  }

  int execute(CommandContext& context) override {
    InspectingSession session(context.workspace, context.progress);
    if (!session.inspect(carriers_, context.options)) return kExitFailure;
    context.progress.clear();
    if (json_) {
      printJson(context.out, session.verdict(), context.language);
    } else {
      printText(context.out, session.verdict(), context.language);
    }
    return session.verdict().verdict == Verdict::kComplete ? kExitOk : kExitFailure;
  }

 private:
  bool json_ = false;
  std::vector<std::string> carriers_;
};

}  // namespace

std::unique_ptr<Command> makeInspectCommand() { return std::make_unique<InspectCommand>(); }

}  // namespace murl::cli
