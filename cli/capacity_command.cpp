#include <CLI/CLI.hpp>
#include <ostream>

#include "carriers/identify.h"
#include "carriers/registry.h"
#include "cli/cli.h"
#include "cli/command.h"
#include "cli/texts.h"
#include "core/number_display.h"
#include "platform/folders.h"

namespace murl::cli {

namespace {

class CapacityCommand : public Command {
 public:
  const char* name() const override { return "capacity"; }
  const char* description() const override {
    return "Identify each carrier and count the bits it can hide, with the total";
  }
  const char* example() const override {
    return "murl-cli capacity --level wav=High song1.wav song2.wav";
  }
  void define(CLI::App& app) override {
    app.add_option("CARRIER", carriers_, "Carrier files")->required();
  }

  int execute(CommandContext& context) override {
    uint64_t total = 0;
    bool all = true;
    for (const std::string& path : carriers_) {
      IdentificationRecord record;
      context.out << context.forOut(platform::baseName(path)) << "  ";
      if (!identify(path, IdentifyPurpose::kHiding, record, context.workspace)) {
        context.out << text(Text::kNotACarrier, context.language) << "\n";
        all = false;
        continue;
      }
      context.out << typeFacts(record.type).name << "  " << formatCount(record.carrierBits) << "\n";
      total += record.carrierBits;
    }
    context.out << text(Text::kTotal, context.language) << "  "
                << (total > UINT32_MAX ? formatCount(UINT32_MAX) + "+"
                                       : formatCount(static_cast<uint32_t>(total)))
                << "\n";
    return all ? kExitOk : kExitFailure;
  }

 private:
  std::vector<std::string> carriers_;
};

}  // namespace

std::unique_ptr<Command> makeCapacityCommand() { return std::make_unique<CapacityCommand>(); }

}  // namespace murl::cli
