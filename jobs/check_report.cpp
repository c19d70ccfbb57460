#include "jobs/check_report.h"

#include <cstdio>
#include <iterator>

#include "carriers/registry.h"
#include "core/messages.h"
#include "core/number_display.h"
#include "core/options.h"
#include "platform/folders.h"

namespace murl {
namespace {

enum class CheckText : uint8_t {
  kCarrierBits,
  kLevel,
  kCopyrightMark,
  kMark,
  kGlobalIntegrity,
  kDetails,
  kDetailLine,
  kCount
};

// In CheckText order.
constexpr TextPair kTexts[] = {
    {"Carrier bits: %s", "Carrier bit: %s"},
    {"Bits selection level: %s", "Livello di selezione bit: %s"},
    {"Copyright Mark", "Marchio di Copyright"},
    {"Mark: <%s>", "Marchio: <%s>"},
    {"Global integrity %.6f%%", "Integrità Globale %.6f%%"},
    {"Hex & Integrity Details", "Caratteri Hex & Dettagli di Integrità"},
    {"#%3u: 0x%02X [%.6f%%]", "#%3u: 0x%02X [%.6f%%]"},
};
static_assert(std::size(kTexts) == static_cast<size_t>(CheckText::kCount));

const char* text(CheckText id, Language language) {
  return pick(kTexts[static_cast<size_t>(id)], language);
}

template <class... Args>
std::string filled(CheckText id, Language language, Args... args) {
  char line[256];  // the longest holds the mark's 100 bytes
  std::snprintf(line, sizeof line, text(id, language), args...);
  return line;
}

ReportNode::Icon iconOf(CarrierType type) {
  switch (formatOf(type).kind) {
    case MediaKind::kAudio:
      return ReportNode::Icon::kAudio;
    case MediaKind::kImage:
      return ReportNode::Icon::kImage;
    default:
      return ReportNode::Icon::kNone;
  }
}

}  // namespace

void analyseMark(const CheckCollector& collector, CheckResult& result) {
  double sum = 0;
  for (size_t p = 0; p < kMarkSize; ++p) {
    uint64_t total = 0;
    uint32_t most = 0;
    uint8_t value = 0;
    for (unsigned v = 0; v < 256; ++v) {
      const uint32_t count = collector.counter(p, static_cast<uint8_t>(v));
      total += count;
      if (count > most) most = count, value = static_cast<uint8_t>(v);
    }
    const float integrity =
        total == 0 ? 100.0f : static_cast<float>(100.0 * most / static_cast<double>(total));
    result.mark[p] = value;
    result.integrity[p] = integrity;
    sum += integrity;
  }
  result.globalIntegrity = sum / kMarkSize;
}

std::string markWithoutTrailingZeros(const MarkField& mark) {
  size_t length = mark.size();
  while (length > 0 && mark[length - 1] == 0) --length;
  return std::string(mark.begin(), mark.begin() + static_cast<std::ptrdiff_t>(length));
}

std::vector<ReportNode> checkReportTree(const CheckResult& result, Language language,
                                        const std::string& separator) {
  ReportNode carrier{platform::baseName(result.path), iconOf(result.type), true, {}};
  carrier.children.push_back({filled(CheckText::kCarrierBits, language,
                                     formatCount(result.carrierBits, separator).c_str())});
  carrier.children.push_back(
      {filled(CheckText::kLevel, language, levelName(result.level, language))});

  // A zero byte after the field ends the text even when all 100 bytes are set.
  char markText[kMarkSize + 1] = {};
  std::copy(result.mark.begin(), result.mark.end(), markText);
  ReportNode mark{text(CheckText::kCopyrightMark, language), ReportNode::Icon::kNone, true, {}};
  mark.children.push_back({filled(CheckText::kMark, language, markText)});
  mark.children.push_back({filled(CheckText::kGlobalIntegrity, language, result.globalIntegrity)});

  ReportNode details{text(CheckText::kDetails, language), ReportNode::Icon::kNone, true, {}};
  for (size_t p = 0; p < kMarkSize; ++p) {
    details.children.push_back(
        {filled(CheckText::kDetailLine, language, static_cast<unsigned>(p),
                static_cast<unsigned>(result.mark[p]), static_cast<double>(result.integrity[p]))});
  }
  return {std::move(carrier), std::move(mark), std::move(details)};
}

}  // namespace murl
