#include "carriers/conformance.h"

#include "carriers/identify.h"

namespace murl::test {
namespace {

void expectOnlyUnitBitsDiffer(const ConformanceFile& source, const std::vector<uint8_t>& target) {
  if (source.expectSameOutsideUnits) {
    source.expectSameOutsideUnits(source.bytes, target);
  } else if (!source.unitBitMask.empty()) {
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
  const CarrierEntry target{entry.type, entry.carrierBits, entry.parts,
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
  {
    auto src = platform::File::openRead(entry.path);
    auto dst = platform::File::createTruncate(targetPath);
    ASSERT_TRUE(carrierHandler(entry.type).mark(src, dst, mark, trip.workspace, percentage));
  }
  expectOnlyUnitBitsDiffer(source, readAll(targetPath));
  CheckCollector collector;
  auto marked = platform::File::openRead(targetPath);
  ASSERT_TRUE(
      carrierHandler(entry.type).check(marked, entry.carrierBits, collector, trip.workspace));
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
    EXPECT_FALSE(trip.extract(path, {entry.type, entry.carrierBits, entry.parts, path}, bits));
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

TEST_P(CarrierConformance, FailingTargetWriteIsReportedOnce) {
  trip.randomStream(64, 3);
  platform::injectWriteFailureAfter(0);
  double percentage = -1;
  const bool ok = hide("t_", {0, entry.carrierBits, 512}, percentage);
  platform::injectWriteFailureAfter(-1);
  EXPECT_FALSE(ok);
  EXPECT_EQ(trip.reporter.shownIds(), std::vector<MessageId>{MessageId::kCouldntWriteTargetFile});
}

}  // namespace
}  // namespace murl::test
