#include "carriers/conformance.h"

#include <optional>
#include <string_view>

#include "carriers/identify.h"

namespace murl::test {
namespace {

void expectOnlyUnitBitsDiffer(const ConformanceFile& source, const std::vector<uint8_t>& target) {
  if (!source.unitBitMask.empty()) {
    expectOnlyMaskedBitsDiffer(source.bytes, target, source.unitBitMask);
  }
}

TEST_P(CarrierConformance, CountsItsOwnFile) {
  EXPECT_EQ(entry.type, GetParam().type);
  EXPECT_GE(entry.carrierBits, kMinBits);
  EXPECT_TRUE(trip.reporter.shown.empty());
}

TEST_P(CarrierConformance, HideThenExtractGivesTheStreamBits) {
  // A stream that ends inside the carrier, at a start bit that is not a byte boundary.
  const uint32_t startBit = 13;
  const uint32_t streamBytes = (entry.carrierBits + startBit) / 8 - 40;
  trip.randomStream(streamBytes, 1);
  const StreamShare share{startBit, entry.carrierBits, streamBytes * 8 - startBit};
  double percentage = -1;
  ASSERT_TRUE(hide("out_", share, percentage));
  EXPECT_GT(percentage, 0.0);
  EXPECT_LT(percentage, 100.0);
  const CarrierEntry target{entry.type, entry.carrierBits, entry.resources,
                            trip.dir.file("out_" + name())};
  expectOnlyUnitBitsDiffer(source, readAll(target.path));
  std::vector<uint8_t> bits;
  ASSERT_TRUE(trip.extract(target.path, target, bits));
  ASSERT_EQ(bits.size(), (entry.carrierBits + 7) / 8);
  for (uint32_t k = 0; k < share.streamBits; ++k) {
    ASSERT_EQ(bitAt(bits.data(), k), bitAt(trip.streamBytes.data(), startBit + k)) << "bit " << k;
  }
  EXPECT_TRUE(trip.reporter.shown.empty());
}

TEST_P(CarrierConformance, MarkThenCheckIsWholeAtEveryPosition) {
  MarkField mark{};
  const std::string text = "(c) conformance";
  std::copy(text.begin(), text.end(), mark.begin());
  const std::string targetPath = trip.dir.file("marked_" + name());
  double percentage = -1;
  ASSERT_TRUE(trip.mark(entry.path, "marked_" + name(), entry.type, mark, percentage));
  expectOnlyUnitBitsDiffer(source, readAll(targetPath));
  CheckCollector collector;
  ASSERT_TRUE(trip.check(targetPath, entry.type, entry.carrierBits, collector));
  for (size_t p = 0; p < kMarkSize; ++p) {
    uint32_t all = 0;
    for (int v = 0; v < 256; ++v) all += collector.counter(p, static_cast<uint8_t>(v));
    ASSERT_GT(all, 0u);
    EXPECT_EQ(collector.counter(p, mark[p]), all) << "position " << p;
  }
}

TEST_P(CarrierConformance, TruncatedFilesAreNotCarriersAndFailExtraction) {
  for (size_t keep : {size_t{0}, size_t{7}, source.bytes.size() / 2, source.bytes.size() - 1}) {
    const std::string path = trip.dir.file("cut" + std::to_string(keep) + "_" + name());
    writeAll(path, std::vector<uint8_t>(source.bytes.begin(), source.bytes.begin() + keep));
    IdentificationRecord record;
    EXPECT_FALSE(identify(path, IdentifyPurpose::kHiding, record, trip.workspace)) << keep;
    EXPECT_TRUE(trip.reporter.shown.empty());
    std::vector<uint8_t> bits;
    EXPECT_FALSE(trip.extract(path, {entry.type, entry.carrierBits, entry.resources, path}, bits));
    EXPECT_EQ(trip.reporter.shown.size(), 1u) << keep;
    trip.reporter.clear();
  }
}

TEST_P(CarrierConformance, StopFlagEndsHideWithoutMessage) {
  trip.randomStream(64, 2);
  trip.workspace.stop = true;
  double percentage = -1;
  EXPECT_FALSE(hide("t_", {0, entry.carrierBits, 512}, percentage));
  EXPECT_TRUE(trip.reporter.shown.empty());
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
  ASSERT_TRUE(trip.mark(entry.path, marked, entry.type, mark, percentage));
  auto run = [&](std::string_view operation) {
    if (operation == "count") return !trip.countFile(entry.path, entry.type).rejected;
    if (operation == "hide") return hide("t_", share, percentage);
    std::vector<uint8_t> bits;
    CarrierEntry target = entry;
    target.path = trip.dir.file(hidden);
    if (operation == "extract") return trip.extract(target.path, target, bits);
    if (operation == "mark")
      return trip.mark(entry.path, "m_" + name(), entry.type, mark, percentage);
    CheckCollector collector;
    return trip.check(trip.dir.file(marked), entry.type, entry.carrierBits, collector);
  };
  for (const FailingCall& failing : kFailingCalls) {
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
