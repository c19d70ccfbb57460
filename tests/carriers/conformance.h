#pragma once
// The conformance suite every carrier handler runs: count, hide then extract, mark then check,
// target equal to source outside the unit bits, the hidden bits where an independent model of
// the format puts them, exactly the counted bits, a stream over several carriers, truncated
// files, the stop flag, a failing disk. A format joins with ConformanceCarriers and one
// INSTANTIATE_TEST_SUITE_P(Name, CarrierConformance, ::testing::Values(...)) in its test file.
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

// What a format's units hold, as a test's own plain reading of the file finds them at the row's
// levels: every candidate unit's bit in processing order (the qualifying units, or every unit of
// a spaced format), the lead-in and the spacing.
struct UnitModel {
  std::vector<uint8_t> unitBits;
  uint32_t leadIn = 0;
  uint32_t spacing = 1;
};
using ModelOf = std::function<UnitModel(const std::vector<uint8_t>& file)>;

struct ConformanceFile {
  std::vector<uint8_t> bytes;
  // Per byte, the bits hide may change; empty when targets are re-encoded.
  std::vector<uint8_t> unitBitMask;
  // Reads the units of this file or of a target made from it; empty when there is none.
  ModelOf model;
  // Cutting the file anywhere below this many bytes leaves no carrier that extract can read (0:
  // its size); bytes past it (appended after the format's end, or never read) may go without harm.
  size_t cutBelow = 0;
  // A format whose count reads only a fixed header of this many bytes still counts a file cut
  // after it (0: count reads every unit); extract fails on such a cut all the same.
  size_t countedHead = 0;
  // Count ends its walk where a cut file ends and may still find a carrier there, of fewer bits
  // (which hide and extract then refuse).
  bool cutsMayCount = false;
  // For targets whose length may differ from the source's: checks that a target holds the
  // source's content outside the unit bits (used instead of the mask when set).
  std::function<void(const std::vector<uint8_t>& source, const std::vector<uint8_t>& target)>
      expectSameOutsideUnits;
};

struct ConformanceCarrier {
  std::string name;      // shows in the test names
  std::string fileName;  // with the extension that leads to the format
  CarrierType type;      // after count
  // A carrier with at least `minBits` carrier bits (fixtures ignore it: they must still hold 200
  // carrier bits or more).
  std::function<ConformanceFile(uint32_t minBits)> make;
  bool marks = true;  // false: a format that can be neither marked nor checked
  Options options{};  // levels and output options every operation of the row runs with
};

// Keeps test listings short: the name, not a dump of the object's bytes.
inline void PrintTo(const ConformanceCarrier& carrier, std::ostream* os) { *os << carrier.name; }

inline std::string conformanceName(const ::testing::TestParamInfo<ConformanceCarrier>& info) {
  return info.param.name;
}

// Default options but for every bits selection level.
inline Options atLevel(uint8_t level) {
  Options options;
  options.bitsLevels.fill(level);
  return options;
}

// A fixture under tests/data as a conformance carrier; `prepare` adds its model and limits.
inline ConformanceCarrier fixtureRow(const std::string& name, const std::string& file,
                                     CarrierType type,
                                     std::function<void(ConformanceFile&)> prepare,
                                     Options options = {}) {
  return {name,
          file,
          type,
          [file, prepare](uint32_t) {
            ConformanceFile fixture{readFixture(file)};
            if (prepare) prepare(fixture);
            return fixture;
          },
          true,
          options};
}

// Each test starts from a fresh folder holding one carrier of the format, identified.
class CarrierConformance : public ::testing::TestWithParam<ConformanceCarrier> {
 protected:
  static constexpr uint32_t kMinBits = 3000;

  CarrierConformance() : source(GetParam().make(kMinBits)) {
    trip.workspace.options = GetParam().options;
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

}  // namespace murl::test
