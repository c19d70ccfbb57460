#pragma once
// Count, hide, extract, mark and check through a carrier's handler (RoundTrip, for every carrier
// test), and the conformance suite every carrier handler runs: count, hide then extract, mark
// then check, target equal to source outside the unit bits, the hidden bits where an independent
// model of the format puts them, exactly the counted bits, a stream over several carriers,
// truncated files, the stop flag, a failing disk. A format joins with one
// INSTANTIATE_TEST_SUITE_P(Name, CarrierConformance, ::testing::Values(...)) in its test file.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "bits/bit_spreader.h"
#include "carriers/common/contract.h"
#include "carriers/identify.h"
#include "carriers/registry.h"
#include "core/workspace.h"
#include "platform/file_system.h"
#include "support/data_lines.h"
#include "support/faulty_file_system.h"
#include "support/random_bytes.h"
#include "support/recording_reporter.h"
#include "support/temp_dir.h"

namespace murl::test {

using Bytes = std::vector<uint8_t>;

inline std::vector<uint8_t> readFixture(const std::string& name) { return readAll(dataPath(name)); }

// `file` with the bytes from `at` on replaced by `with`.
inline std::vector<uint8_t> patched(std::vector<uint8_t> file, size_t at,
                                    std::initializer_list<uint8_t> with) {
  std::copy(with.begin(), with.end(), file.begin() + static_cast<std::ptrdiff_t>(at));
  return file;
}

// A case of a header table under tests/data: `base` with the edits of one line.
struct EditedCase {
  bool accepted;
  std::vector<uint8_t> bytes;
  std::string what;
};

// The cases of tests/data/`name`, one a line: "accepted" or "refused", then edits OFFSET=HEX
// (the bytes from that decimal offset on) and words saying what the header is.
inline std::vector<EditedCase> editedCases(const std::string& name,
                                           const std::vector<uint8_t>& base) {
  std::vector<EditedCase> cases;
  for (const std::vector<std::string>& fields : dataLines(name)) {
    EditedCase edited{fields[0] == "accepted", base, ""};
    for (size_t i = 1; i < fields.size(); ++i) {
      const size_t equals = fields[i].find('=');
      if (equals == std::string::npos) {
        edited.what += (edited.what.empty() ? "" : " ") + fields[i];
        continue;
      }
      const std::vector<uint8_t> with = fromHex(fields[i].substr(equals + 1));
      std::copy(with.begin(), with.end(),
                edited.bytes.begin() + std::stol(fields[i].substr(0, equals)));
    }
    cases.push_back(std::move(edited));
  }
  return cases;
}

// A file named after the defect planted in it.
using Planted = std::pair<const char*, std::vector<uint8_t>>;

// The files of a trip, each of which can be the one opened through the faulty file system.
enum class TripFile : uint8_t { kSource, kTarget, kStream, kSink };

class RoundTrip {
 public:
  RoundTrip() : workspace(reporter, Language::kEnglish) {}

  // What the trip opens `file` through: `faults` for the file under test, else the disk.
  platform::FileSystem& filesFor(TripFile file) {
    return file == faultyFile ? static_cast<platform::FileSystem&>(faults)
                              : platform::realFileSystem();
  }

  // Writes the bytes as `name` and runs the count of `type`'s handler on them.
  IdentificationRecord count(const std::vector<uint8_t>& bytes, const std::string& name,
                             CarrierType type) {
    writeAll(dir.file(name), bytes);
    return countFile(dir.file(name), type);
  }
  IdentificationRecord countFile(const std::string& path, CarrierType type) {
    IdentificationRecord record;
    record.type = type;
    auto src = filesFor(TripFile::kSource).openRead(path);
    carrierHandler(type).count(src, record, workspace);
    return record;
  }
  // The carrier bits count finds, 0 when it refuses the file.
  uint32_t bitsOf(const std::vector<uint8_t>& bytes, CarrierType type) {
    const IdentificationRecord record = count(bytes, "count.tmp", type);
    return record.rejected ? 0 : record.carrierBits;
  }
  // Every planted file is refused by count, silently: no carrier at all, not one of no bits.
  void expectNoCarriers(CarrierType type, std::initializer_list<Planted> files) {
    for (const auto& [defect, bytes] : files)
      EXPECT_TRUE(count(bytes, "count.tmp", type).rejected) << defect;
    EXPECT_TRUE(reporter.shown.empty());
  }

  // The stream file: `bytes` random bytes (or the given ones).
  void stream(std::vector<uint8_t> bytes) {
    streamBytes = std::move(bytes);
    writeAll(dir.file("stream.tmp"), streamBytes);
  }
  void randomStream(size_t bytes, uint32_t seed = 1) { stream(randomBytes(bytes, seed)); }

  // Hides the share into a target named `target`, from the carrier file at `source`.
  bool hide(const std::string& source, const std::string& target, const CarrierEntry& entry,
            const StreamShare& share, double& percentage) {
    auto src = filesFor(TripFile::kSource).openRead(source);
    auto dst = filesFor(TripFile::kTarget).createTruncate(dir.file(target));
    auto streamFile = filesFor(TripFile::kStream).openRead(dir.file("stream.tmp"));
    HideJob job{&streamFile, {1, 2, 0, 1}};
    return carrierHandler(entry.type).hide(src, dst, entry, share, job, workspace, percentage);
  }

  // Marks the carrier at `source` into a target named `target`.
  bool mark(const std::string& source, const std::string& target, CarrierType type,
            const MarkField& field, double& percentage) {
    auto src = filesFor(TripFile::kSource).openRead(source);
    auto dst = filesFor(TripFile::kTarget).createTruncate(dir.file(target));
    return carrierHandler(type).mark(src, dst, field, workspace, percentage);
  }

  // Reads the mark bits of the carrier at `path` into the collector.
  bool check(const std::string& path, CarrierType type, uint32_t carrierBits,
             CheckCollector& collector) {
    auto src = filesFor(TripFile::kSource).openRead(path);
    return carrierHandler(type).check(src, carrierBits, collector, workspace);
  }

  // Extracts every entry in order into one sink, as the unhiding job gathers them; `bits` gets
  // the sink's bytes.
  bool extractAll(const std::vector<CarrierEntry>& entries, std::vector<uint8_t>& bits) {
    const std::string sinkPath = dir.file("sink.tmp");
    auto temp = filesFor(TripFile::kSink).createTruncate(sinkPath);
    ExtractionSink sink(workspace, temp);
    bool ok = true;
    for (const CarrierEntry& entry : entries) {
      auto src = filesFor(TripFile::kSource).openRead(entry.path);
      ok = ok && carrierHandler(entry.type).extract(src, entry, sink, workspace);
    }
    ok = ok && sink.flush();
    temp.close();
    bits = readAll(sinkPath);
    return ok;
  }
  bool extract(const CarrierEntry& entry, std::vector<uint8_t>& bits) {
    return extractAll({entry}, bits);
  }

  // Hides `share` of the stream file from `entry` into `target`, then expects extract to give
  // the stream's bits back from the share's start bit on. Returns the target's entry.
  CarrierEntry expectBitsBack(const CarrierEntry& entry, const std::string& target,
                              const StreamShare& share, double* percentage = nullptr) {
    double shown = -1;
    EXPECT_TRUE(hide(entry.path, target, entry, share, shown)) << target;
    if (percentage) *percentage = shown;
    CarrierEntry hidden = entry;
    hidden.path = dir.file(target);
    std::vector<uint8_t> bits;
    EXPECT_TRUE(extract(hidden, bits)) << target;
    EXPECT_EQ(bits.size(), (uint64_t{entry.carrierBits} + 7) / 8) << target;
    for (uint32_t k = 0; k < share.streamBits && k / 8 < bits.size(); ++k) {
      if (bitAt(bits.data(), k) != bitAt(streamBytes.data(), share.startBit + k)) {
        ADD_FAILURE() << target << ": bit " << k << " differs";
        break;
      }
    }
    return hidden;
  }

  RecordingReporter reporter;
  Workspace workspace;
  TempDir dir;
  std::vector<uint8_t> streamBytes;
  FaultyFileSystem faults;
  std::optional<TripFile> faultyFile;  // none: every file comes from the disk
};

// Every byte equal outside the bits `mayChange` allows (one mask byte per file byte).
inline void expectOnlyMaskedBitsDiffer(const std::vector<uint8_t>& source,
                                       const std::vector<uint8_t>& target,
                                       const std::vector<uint8_t>& mayChange) {
  ASSERT_EQ(source.size(), target.size());
  for (size_t i = 0; i < source.size(); ++i) {
    ASSERT_EQ((source[i] ^ target[i]) & ~mayChange[i], 0) << "byte " << i;
  }
}

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

// Each test starts from a fresh folder holding one carrier of the format, identified.
class CarrierConformance : public ::testing::TestWithParam<ConformanceCarrier> {
 protected:
  static constexpr uint32_t kMinBits = 3000;

  CarrierConformance() : source(GetParam().make(kMinBits)) {
    trip.workspace.options = GetParam().options;
    writeAll(trip.dir.file(name()), source.bytes);
    IdentificationRecord record;
    // Every test of the row starts by counting its own file as its own type, silently.
    EXPECT_TRUE(identify(trip.dir.file(name()), IdentifyPurpose::kHiding, record, trip.workspace));
    EXPECT_EQ(record.type, GetParam().type);
    EXPECT_GE(record.carrierBits, 200u);
    EXPECT_TRUE(trip.reporter.shown.empty());
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
