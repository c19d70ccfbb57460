#pragma once
// The conformance suite every carrier handler runs: count, hide then extract, mark then check,
// target equal to source outside the unit bits, truncated files, the stop flag, a failing disk.
// A format joins with a ConformanceCarrier and one INSTANTIATE_TEST_SUITE_P(Name,
// CarrierConformance, ::testing::Values(...)) in its own test file.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "carriers/common/contract.h"
#include "carriers/identify.h"
#include "carriers/round_trip.h"

namespace murl::test {

struct ConformanceFile {
  std::vector<uint8_t> bytes;
  // Per byte, the bits hide and mark may change; empty when targets are re-encoded.
  std::vector<uint8_t> unitBitMask;
  // For targets whose length may differ from the source's: checks that a target holds the
  // source's content outside the unit bits (used instead of the mask when set).
  std::function<void(const std::vector<uint8_t>& source, const std::vector<uint8_t>& target)>
      expectSameOutsideUnits;
};

struct ConformanceCarrier {
  std::string name;      // shows in the test names
  std::string fileName;  // with the extension that leads to the format
  CarrierType type;      // after count
  // A carrier with at least `minBits` carrier bits at the default levels.
  std::function<ConformanceFile(uint32_t minBits)> make;
};

// Keeps test listings short: the name, not a dump of the object's bytes.
inline void PrintTo(const ConformanceCarrier& carrier, std::ostream* os) { *os << carrier.name; }

// Each test starts from a fresh folder holding one carrier of the format, identified.
class CarrierConformance : public ::testing::TestWithParam<ConformanceCarrier> {
 protected:
  static constexpr uint32_t kMinBits = 3000;

  CarrierConformance() : source(GetParam().make(kMinBits)) {
    writeAll(trip.dir.file(name()), source.bytes);
    IdentificationRecord record;
    EXPECT_TRUE(identify(trip.dir.file(name()), IdentifyPurpose::kHiding, record, trip.workspace));
    entry = {record.type, record.carrierBits, record.parts, trip.dir.file(name())};
  }
  const std::string& name() const { return GetParam().fileName; }
  // Hides the share of the stream file; the target is named `prefix` + the carrier's name.
  bool hide(const std::string& prefix, const StreamShare& share, double& percentage) {
    return trip.hide(entry.path, prefix + name(), entry, share, percentage);
  }

  RoundTrip trip;
  ConformanceFile source;
  CarrierEntry entry;
};

inline std::string conformanceName(const ::testing::TestParamInfo<ConformanceCarrier>& info) {
  return info.param.name;
}

}  // namespace murl::test
