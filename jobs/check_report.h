#pragma once
// What a check found in a carrier: the copyright mark rebuilt by majority, how intact each of its
// byte positions is, and the report tree that shows it (the Checking Panel and murl-cli check).
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "bits/bit_spreader.h"
#include "carriers/common/contract.h"
#include "platform/locale.h"

namespace murl {

using platform::Language;

struct CheckResult {
  std::string path;
  CarrierType type = CarrierType::kWav;
  uint32_t carrierBits = 0;
  uint8_t level = 0;  // the bits selection level of the carrier's format, as checked
  // Byte p: the value read most often at position p, the lowest of equal counts.
  MarkField mark{};
  // f_p: how many of the bytes read at position p held that value, in percent (single precision,
  // as the report has always shown it).
  std::array<float, kMarkSize> integrity{};
  double globalIntegrity = 0;  // G: the mean of the f_p
};

// Rebuilds the mark and its integrity figures from the collector's counts. A position that
// counted no byte is whole (100 %) with the value 0.
void analyseMark(const CheckCollector& collector, CheckResult& result);

// The mark's bytes without the zero bytes that fill its field after the text.
std::string markWithoutTrailingZeros(const MarkField& mark);

// One line of the report tree.
struct ReportNode {
  enum class Icon : uint8_t { kNone, kAudio, kImage };
  std::string text;
  Icon icon = Icon::kNone;  // the root that names the carrier
  bool bold = false;        // the three roots
  std::vector<ReportNode> children;
};

// The three roots and their children, in `language`: the carrier's file name (carrier bits and
// level), "Copyright Mark" (the mark up to its first zero byte, G) and "Hex & Integrity Details"
// (one line per position). Counts are grouped with `separator`.
std::vector<ReportNode> checkReportTree(const CheckResult& result, Language language,
                                        const std::string& separator);

}  // namespace murl
