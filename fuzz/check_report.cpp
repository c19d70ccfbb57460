// A check's analysis and report over arbitrary counts, and the escaping murl-cli prints a rebuilt
// mark with: whatever bytes a carrier gives, the JSON and the terminal text hold no raw control
// byte and no unescaped quote.
#include "jobs/check_report.h"

#include <cstdint>
#include <string>

#include "cli/escaping.h"

namespace {

void require(bool condition) {
  if (!condition) __builtin_trap();
}

// No raw control byte; in JSON no quote inside that is not escaped.
void requireSafe(const std::string& text, bool json) {
  size_t backslashes = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<uint8_t>(text[i]);
    require(byte >= 0x20 && byte != 0x7F);
    if (json && byte == '"' && i != 0 && i + 1 != text.size()) require(backslashes % 2 == 1);
    backslashes = byte == '\\' ? backslashes + 1 : 0;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace murl;
  static CheckCollector collector;
  collector.reset();
  for (size_t i = 0; i < size; ++i)
    for (int bit = 7; bit >= 0; --bit) collector.add((data[i] >> bit) & 1);
  CheckResult result;
  result.path = "fuzz.wav";
  result.carrierBits = static_cast<uint32_t>(size * 8);
  analyseMark(collector, result);
  require(result.globalIntegrity >= 0 && result.globalIntegrity <= 100);
  for (Language language : {Language::kEnglish, Language::kItalian})
    require(checkReportTree(result, language, ".").size() == 3);

  const std::string mark = markWithoutTrailingZeros(result.mark);
  const std::string raw(reinterpret_cast<const char*>(data), size);
  for (const std::string* text : {&mark, &raw}) {
    requireSafe(cli::jsonString(*text), true);
    requireSafe(cli::terminalText(*text), false);
  }
  return 0;
}
