#include "carriers/conformance.h"

#include <zlib.h>

#include <optional>
#include <string_view>

#include "bits/read_back.h"
#include "carriers/identify.h"
#include "carriers/registry.h"

namespace murl::test {
namespace {

void expectOnlyUnitBitsDiffer(const ConformanceFile& source, const std::vector<uint8_t>& target) {
  if (source.expectSameOutsideUnits) {
    source.expectSameOutsideUnits(source.bytes, target);
  } else if (!source.unitBitMask.empty()) {
    expectOnlyMaskedBitsDiffer(source.bytes, target, source.unitBitMask);
  }
}

TEST_P(CarrierConformance, HideThenExtractGivesTheStreamBits) {
  // A stream that ends inside the carrier, at a start bit that is not a byte boundary.
  const uint32_t startBit = 13;
  const uint32_t streamBytes = (entry.carrierBits + startBit) * 7 / 64;
  trip.randomStream(streamBytes, 1);
  double percentage = -1;
  const CarrierEntry target =
      trip.expectBitsBack(entry, "out_" + name(),
                          {startBit, entry.carrierBits, streamBytes * 8 - startBit}, &percentage);
  EXPECT_GT(percentage, 0.0);
  EXPECT_LT(percentage, 100.0);
  expectOnlyUnitBitsDiffer(source, readAll(target.path));
  EXPECT_TRUE(trip.reporter.shown.empty());
}

// Checked against the test's own reading of the format, not against extract: a bit order, a
// lead-in or a unit choice that hide and extract get wrong alike is caught here.
TEST_P(CarrierConformance, HiddenBitsSitInTheUnitsAnIndependentModelFinds) {
  if (!source.model) GTEST_SKIP() << "no unit model for this carrier";
  const uint32_t n = entry.carrierBits;
  trip.randomStream((n + 7) / 8, 9);
  double percentage = -1;
  ASSERT_TRUE(hide("model_", {0, n, n}, percentage));
  const UnitModel before = source.model(source.bytes);
  const UnitModel after = source.model(readAll(trip.dir.file("model_" + name())));
  ASSERT_EQ(after.unitBits.size(), before.unitBits.size());
  uint64_t used = 0;
  for (size_t j = 0; j < after.unitBits.size(); ++j) {
    const bool usedUnit = j >= before.leadIn && (j - before.leadIn) % before.spacing == 0;
    if (usedUnit && used < n) {
      // A hidden bit d is stored as the unit bit NOT d.
      ASSERT_NE(after.unitBits[j], bitAt(trip.streamBytes.data(), used)) << "unit " << j;
    } else if (!usedUnit) {
      ASSERT_EQ(after.unitBits[j], before.unitBits[j]) << "unit " << j << " is not used";
    }
    used += usedUnit;
  }
  EXPECT_EQ(used, uint64_t{n} + kTrailerBits);
}

// What follows each share of data bits (each resource's, in a module) reads back without the
// password: the trailer, keyed by the Adler-32 of those bits as extracted, names the hiding job.
TEST_P(CarrierConformance, TrailerReadsBackUnderTheDataCheckOfTheBitsBeforeIt) {
  const uint32_t n = entry.carrierBits;
  trip.randomStream((n + 7) / 8, 6);
  double percentage = -1;
  ASSERT_TRUE(hide("trailer_", {0, n, n}, percentage));
  CarrierEntry target = entry;
  target.path = trip.dir.file("trailer_" + name());
  std::vector<uint8_t> bits;
  ASSERT_TRUE(trip.extract(target, bits));
  platform::File src = platform::realFileSystem().openRead(target.path);
  ReadBackSink sink;
  ASSERT_TRUE(carrierHandler(target.type).extract(src, target, sink, trip.workspace));
  const std::vector<TrailerRecord> records = sink.take();
  std::vector<uint32_t> shares;
  for (const CarrierPart& part : entry.parts) shares.push_back(part.bits);
  if (entry.parts.empty()) shares.push_back(n);
  ASSERT_EQ(records.size(), shares.size());
  uint64_t first = 0;
  for (size_t p = 0; p < shares.size(); ++p) {
    std::vector<uint8_t> whole(shares[p] / 8);
    for (size_t k = 0; k < whole.size() * 8; ++k)
      whole[k / 8] |= static_cast<uint8_t>(bitAt(bits.data(), first + k) << (7 - k % 8));
    EXPECT_EQ(records[p].dataCheck, ::adler32(1, whole.data(), static_cast<uInt>(whole.size())));
    TrailerFields fields;
    EXPECT_TRUE(readTrailer(records[p].trailer, records[p].dataCheck, fields)) << p;
    EXPECT_EQ(fields, (TrailerFields{1, 2, 0, 1})) << p;
    first += shares[p];
  }
  EXPECT_TRUE(trip.reporter.shown.empty());
}

// A format that cannot be marked is refused by identification before authoring or checking,
// and its handler refuses both with one message, writing nothing.
void expectMarkAndCheckRefused(RoundTrip& trip, const CarrierEntry& entry) {
  for (IdentifyPurpose purpose : {IdentifyPurpose::kAuthoring, IdentifyPurpose::kChecking}) {
    IdentificationRecord record;
    EXPECT_FALSE(identify(entry.path, purpose, record, trip.workspace));
  }
  EXPECT_TRUE(trip.reporter.shown.empty());
  const std::string targetPath = trip.dir.file("marked");
  double percentage = -1;
  {
    auto src = platform::realFileSystem().openRead(entry.path);
    auto dst = platform::realFileSystem().createTruncate(targetPath);
    EXPECT_FALSE(carrierHandler(entry.type).mark(src, dst, {}, trip.workspace, percentage));
  }
  EXPECT_TRUE(readAll(targetPath).empty());
  CheckCollector collector;
  auto src = platform::realFileSystem().openRead(entry.path);
  EXPECT_FALSE(carrierHandler(entry.type).check(src, entry.carrierBits, collector, trip.workspace));
  EXPECT_EQ(trip.reporter.shown.size(), 2u);
}

TEST_P(CarrierConformance, MarkThenCheckIsWholeAtEveryPosition) {
  if (!GetParam().marks) return expectMarkAndCheckRefused(trip, entry);
  MarkField mark{};
  const std::string text = "(c) conformance";
  std::copy(text.begin(), text.end(), mark.begin());
  const std::string targetPath = trip.dir.file("marked_" + name());
  double percentage = -1;
  ASSERT_TRUE(trip.mark(entry.path, "marked_" + name(), entry.type, mark, percentage));
  expectOnlyUnitBitsDiffer(source, readAll(targetPath));
  CheckCollector collector;
  ASSERT_TRUE(trip.check(targetPath, entry.type, entry.carrierBits, collector));
  // A carrier of fewer than 800 bits holds only the mark's first bytes.
  const size_t positions = std::min<size_t>(kMarkSize, entry.carrierBits / 8);
  for (size_t p = 0; p < positions; ++p) {
    uint32_t all = 0;
    for (int v = 0; v < 256; ++v) all += collector.counter(p, static_cast<uint8_t>(v));
    ASSERT_GT(all, 0u);
    EXPECT_EQ(collector.counter(p, mark[p]), all) << "position " << p;
  }
}

// A carrier read or written with another number of bits than its count gave (a level changed
// in between, a file edited) fails with one message instead of giving wrong bits.
TEST_P(CarrierConformance, CountedBitsMustMatch) {
  trip.randomStream(64, 4);
  const bool marks = GetParam().marks;
  for (uint32_t n : {entry.carrierBits - 1, entry.carrierBits + 1}) {
    double percentage = -1;
    EXPECT_FALSE(hide("wrong_", {0, n, 512}, percentage)) << n;
    CarrierEntry wrong = entry;
    wrong.carrierBits = n;
    std::vector<uint8_t> bits;
    EXPECT_FALSE(trip.extract(wrong, bits)) << n;
    CheckCollector collector;
    EXPECT_FALSE(marks && trip.check(entry.path, entry.type, n, collector)) << n;
    EXPECT_EQ(trip.reporter.shownIds(),
              std::vector(marks ? 3 : 2, MessageId::kWrongCarrierBitsNumber))
        << n;
    trip.reporter.clear();
  }
}

// Three carriers of the format in list order share one stream that ends in the last one; one
// sink gathers it back.
TEST_P(CarrierConformance, StreamOverSeveralCarriersComesBackInOrder) {
  std::vector<CarrierEntry> entries{entry};
  for (uint32_t i = 1; i < 3; ++i) {
    const std::string path = trip.dir.file("more" + std::to_string(i) + "_" + name());
    writeAll(path, GetParam().make(kMinBits + 700 * i).bytes);
    IdentificationRecord record;
    ASSERT_TRUE(identify(path, IdentifyPurpose::kHiding, record, trip.workspace));
    entries.push_back({record.type, record.carrierBits, record.parts, path});
  }
  std::vector<uint32_t> bits;
  for (const CarrierEntry& e : entries) bits.push_back(e.carrierBits);
  const uint32_t streamBytes = (bits[0] + bits[1] + bits[2] / 2) / 8;
  trip.randomStream(streamBytes, 5);
  const std::vector<StreamShare> shares = assignStreamBits(bits, streamBytes * 8);
  for (size_t i = 0; i < entries.size(); ++i) {
    double percentage = -1;
    const std::string target = "spread" + std::to_string(i) + "_" + name();
    ASSERT_TRUE(trip.hide(entries[i].path, target, entries[i], shares[i], percentage));
    entries[i].path = trip.dir.file(target);
  }
  std::vector<uint8_t> gathered;
  ASSERT_TRUE(trip.extractAll(entries, gathered));
  ASSERT_EQ(gathered.size(), (uint64_t{bits[0]} + bits[1] + bits[2] + 7) / 8);
  EXPECT_TRUE(std::equal(trip.streamBytes.begin(), trip.streamBytes.end(), gathered.begin()));
}

// A file cut after its count fails hide and extract with one message each.
TEST_P(CarrierConformance, TruncatedFilesAreNotCarriersAndFailHideAndExtraction) {
  const size_t end = source.cutBelow != 0 ? source.cutBelow : source.bytes.size();
  const size_t head = source.countedHead;
  trip.randomStream(64, 3);
  for (size_t keep : {size_t{0}, size_t{7}, end / 2, end - 1}) {
    const std::string cut = "cut" + std::to_string(keep) + "_" + name();
    writeAll(trip.dir.file(cut),
             std::vector<uint8_t>(source.bytes.begin(), source.bytes.begin() + keep));
    IdentificationRecord record;
    const bool counted =
        identify(trip.dir.file(cut), IdentifyPurpose::kHiding, record, trip.workspace);
    if (!source.cutsMayCount) {
      EXPECT_EQ(counted, head != 0 && keep >= head) << keep;
    }
    EXPECT_TRUE(trip.reporter.shown.empty());
    CarrierEntry cutEntry = entry;
    cutEntry.path = trip.dir.file(cut);
    std::vector<uint8_t> bits;
    EXPECT_FALSE(trip.extract(cutEntry, bits));
    double percentage = -1;
    EXPECT_FALSE(
        trip.hide(cutEntry.path, "t_" + cut, cutEntry, {0, entry.carrierBits, 512}, percentage));
    EXPECT_EQ(trip.reporter.shown.size(), 2u) << keep;
    trip.reporter.clear();
  }
}

TEST_P(CarrierConformance, StopFlagEndsEveryOperationWithoutMessage) {
  trip.randomStream(64, 2);
  trip.workspace.stop = true;
  double percentage = -1;
  EXPECT_FALSE(hide("t_", {0, entry.carrierBits, 512}, percentage));
  std::vector<uint8_t> bits;
  EXPECT_FALSE(trip.extract(entry, bits));
  if (GetParam().marks) {
    CheckCollector collector;
    EXPECT_FALSE(trip.check(entry.path, entry.type, entry.carrierBits, collector));
    EXPECT_FALSE(trip.mark(entry.path, "m_" + name(), entry.type, MarkField{}, percentage));
  }
  EXPECT_TRUE(trip.reporter.shown.empty());
  // Count runs outside jobs: only closing ends it.
  EXPECT_FALSE(trip.countFile(entry.path, GetParam().type).rejected);
  trip.workspace.closing = true;
  EXPECT_TRUE(trip.countFile(entry.path, GetParam().type).rejected);
}

// One operation of a handler over one file of the trip, with the one message its failure shows
// (none for count, which only refuses).
struct FailingCall {
  const char* operation;
  TripFile file;
  FsCall call;
  std::optional<MessageId> message;
};

const FailingCall kFailingCalls[] = {
    {"count", TripFile::kSource, FsCall::kRead, std::nullopt},
    {"hide", TripFile::kSource, FsCall::kRead, MessageId::kCouldntReadSourceFile},
    {"hide", TripFile::kStream, FsCall::kRead, MessageId::kCouldntReadTempFile},
    {"hide", TripFile::kTarget, FsCall::kWrite, MessageId::kCouldntWriteTargetFile},
    {"extract", TripFile::kSource, FsCall::kRead, MessageId::kCouldntReadFile},
    {"extract", TripFile::kSink, FsCall::kWrite, MessageId::kCouldntWriteTempFile},
    {"mark", TripFile::kSource, FsCall::kRead, MessageId::kCouldntReadSourceFile},
    {"mark", TripFile::kTarget, FsCall::kWrite, MessageId::kCouldntWriteTargetFile},
    {"check", TripFile::kSource, FsCall::kRead, MessageId::kCouldntReadFile},
};

// Each read or write of each operation fails in turn, from its first call to its last: the
// operation fails and shows exactly its one message, wherever the disk gave out.
TEST_P(CarrierConformance, EveryFailingReadOrWriteShowsOneMessage) {
  const std::string hidden = "hidden_" + name(), marked = "marked_" + name();
  trip.randomStream((entry.carrierBits + 7) / 8, 4);
  const StreamShare share{0, entry.carrierBits, entry.carrierBits};
  const MarkField mark{'m'};
  double percentage = 0;
  ASSERT_TRUE(hide("hidden_", share, percentage));
  const bool marks = GetParam().marks;
  if (marks) {
    ASSERT_TRUE(trip.mark(entry.path, marked, entry.type, mark, percentage));
  }
  auto run = [&](std::string_view operation) {
    if (operation == "count") return !trip.countFile(entry.path, entry.type).rejected;
    if (operation == "hide") return hide("t_", share, percentage);
    std::vector<uint8_t> bits;
    if (operation == "extract") {
      CarrierEntry target = entry;
      target.path = trip.dir.file(hidden);
      return trip.extract(target, bits);
    }
    if (operation == "mark")
      return trip.mark(entry.path, "m_" + name(), entry.type, mark, percentage);
    CheckCollector collector;
    return trip.check(trip.dir.file(marked), entry.type, entry.carrierBits, collector);
  };
  for (const FailingCall& failing : kFailingCalls) {
    const std::string_view operation = failing.operation;
    if (!marks && (operation == "mark" || operation == "check")) continue;
    SCOPED_TRACE(std::string(failing.operation) + " file " +
                 std::to_string(static_cast<int>(failing.file)));
    trip.faultyFile = failing.file;
    std::vector<MessageId> expected;
    if (failing.message) expected.push_back(*failing.message);
    trip.reporter.clear();
    failEachCallInTurn(
        trip.faults, failing.call, [&] { return run(failing.operation); },
        [&](uint64_t, bool succeeded) {
          EXPECT_FALSE(succeeded);
          EXPECT_EQ(trip.reporter.shownIds(), expected);
          trip.reporter.clear();
        });
  }
}

}  // namespace
}  // namespace murl::test
