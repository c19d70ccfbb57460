#include <CLI/CLI.hpp>
#include <cstdio>
#include <ostream>

#include "carriers/registry.h"
#include "cli/cli.h"
#include "cli/command.h"
#include "cli/escaping.h"
#include "jobs/checking_session.h"
#include "platform/folders.h"

namespace murl::cli {
namespace {

std::string fixed6(double value) {
  char number[64];
  std::snprintf(number, sizeof number, "%.6f", value);
  return number;
}

std::string upperHex(const std::string& bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string hex;
  for (unsigned char byte : bytes) {
    hex += kDigits[byte >> 4];
    hex += kDigits[byte & 15];
  }
  return hex;
}

void printTree(std::ostream& out, const std::vector<ReportNode>& nodes, size_t depth = 0) {
  for (const ReportNode& node : nodes) {
    out << std::string(2 * depth, ' ') << terminalText(node.text) << "\n";
    printTree(out, node.children, depth + 1);
  }
}

void printJson(std::ostream& out, const CheckResult& result) {
  const std::string mark = markWithoutTrailingZeros(result.mark);
  out << "{\n"
      << "  \"carrier\": " << jsonString(platform::baseName(result.path)) << ",\n"
      << "  \"type\": " << jsonString(typeFacts(result.type).name) << ",\n"
      << "  \"carrierBits\": " << result.carrierBits << ",\n"
      << "  \"level\": " << static_cast<unsigned>(result.level) << ",\n"
      << "  \"mark\": " << jsonString(mark) << ",\n"
      << "  \"markHex\": \"" << upperHex(mark) << "\",\n"
      << "  \"integrity\": " << fixed6(result.globalIntegrity) << ",\n"
      << "  \"positions\": [\n";
  for (size_t p = 0; p < kMarkSize; ++p) {
    out << "    {\"index\": " << p << ", \"byte\": " << static_cast<unsigned>(result.mark[p])
        << ", \"integrity\": " << fixed6(result.integrity[p]) << "}"
        << (p + 1 < kMarkSize ? ",\n" : "\n");
  }
  out << "  ]\n}\n";
}

class CheckCommand : public Command {
 public:
  const char* name() const override { return "check"; }
  const char* description() const override {
    return "Read the copyright mark of a carrier back and tell how intact each of its bytes is";
  }
  const char* example() const override { return "murl-cli check --json marked/photo.bmp"; }

  void define(CLI::App& app) override {
    app.add_flag("--json", json_,
                 "Print the report as one JSON object: carrier, type, carrierBits, level (0-6), "
                 "mark, markHex, integrity and positions (index, byte, integrity)");
    app.add_option("CARRIER", carrier_, "The carrier to check, with the levels it was marked with")
        ->required();
  }

  int execute(CommandContext& context) override {
    CheckingSession session(context.workspace, context.progress);
    if (!session.check(carrier_, context.options)) return kExitFailure;
    if (json_) {
      printJson(context.out, session.result());
    } else {
      printTree(context.out, session.tree());
    }
    return kExitOk;
  }

 private:
  bool json_ = false;
  std::string carrier_;
};

}  // namespace

std::unique_ptr<Command> makeCheckCommand() { return std::make_unique<CheckCommand>(); }

}  // namespace murl::cli
