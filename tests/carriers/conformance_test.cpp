#include "carriers/conformance.h"

#include <random>

#include "carriers/identify.h"
#include "engine/bit_spreader.h"
#include "engine/workspace.h"
#include "platform/file.h"
#include "support/recording_reporter.h"
#include "support/temp_dir.h"

namespace murl::test {
namespace {

constexpr uint32_t kMinBits = 3000;

class Harness {
 public:
  Harness() : workspace(reporter, Language::kEnglish) {}

  // Writes the carrier and identifies it; the entry of a list of one.
  CarrierEntry add(const ConformanceFile& file, const std::string& name) {
    std::string path = dir.file(name);
    writeAll(path, file.bytes);
    IdentificationRecord record;
    EXPECT_TRUE(identify(path, IdentifyPurpose::kHiding, record, workspace));
    return CarrierEntry{record.type, record.carrierBits, record.resources, path};
  }

  std::vector<uint8_t> randomBytes(size_t count, uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<uint8_t> bytes(count);
    for (auto& b : bytes) b = static_cast<uint8_t>(random());
    return bytes;
  }

  bool hide(const CarrierEntry& entry, const std::string& target, const std::string& streamPath,
            StreamShare share, double& percentage) {
    auto src = platform::File::openRead(entry.path);
    auto dst = platform::File::createTruncate(target);
    auto stream = platform::File::openRead(streamPath);
    HideJob job{&stream, {7, 9, 0, 1}};
    return carrierHandler(entry.type).hide(src, dst, entry, share, job, workspace, percentage);
  }

  bool extract(const CarrierEntry& entry, std::vector<uint8_t>& bits) {
    std::string sinkPath = dir.file("sink.tmp");
    auto temp = platform::File::createTruncate(sinkPath);
    ExtractionSink sink(workspace, temp);
    auto src = platform::File::openRead(entry.path);
    bool ok = carrierHandler(entry.type).extract(src, entry, sink, workspace) && sink.flush();
    temp.close();
    bits = readAll(sinkPath);
    return ok;
  }

  RecordingReporter reporter;
  Workspace workspace;
  TempDir dir;
};

void expectOnlyUnitBitsDiffer(const ConformanceFile& source, const std::vector<uint8_t>& target) {
  if (source.unitBitMask.empty()) return;
  ASSERT_EQ(source.bytes.size(), target.size());
  for (size_t i = 0; i < target.size(); ++i) {
    ASSERT_EQ((source.bytes[i] ^ target[i]) & ~source.unitBitMask[i], 0) << "byte " << i;
  }
}

TEST_P(CarrierConformance, CountsItsOwnFile) {
  Harness h;
  CarrierEntry entry = h.add(GetParam().make(kMinBits), GetParam().fileName);
  EXPECT_EQ(entry.type, GetParam().type);
  EXPECT_GE(entry.carrierBits, kMinBits);
  EXPECT_TRUE(h.reporter.shown.empty());
}

TEST_P(CarrierConformance, HideThenExtractGivesTheStreamBits) {
  Harness h;
  ConformanceFile source = GetParam().make(kMinBits);
  CarrierEntry entry = h.add(source, GetParam().fileName);
  // A stream that ends inside the carrier, at a start bit that is not a byte boundary.
  uint32_t startBit = 13;
  uint32_t streamBytes = (entry.carrierBits + startBit) / 8 - 40;
  std::vector<uint8_t> stream = h.randomBytes(streamBytes, 1);
  std::string streamPath = h.dir.file("stream.tmp");
  writeAll(streamPath, stream);
  StreamShare share{startBit, entry.carrierBits, streamBytes * 8 - startBit};
  std::string targetPath = h.dir.file("out_" + GetParam().fileName);
  double percentage = -1;
  ASSERT_TRUE(h.hide(entry, targetPath, streamPath, share, percentage));
  EXPECT_GT(percentage, 0.0);
  EXPECT_LT(percentage, 100.0);
  expectOnlyUnitBitsDiffer(source, readAll(targetPath));

  CarrierEntry target = entry;
  target.path = targetPath;
  std::vector<uint8_t> bits;
  ASSERT_TRUE(h.extract(target, bits));
  ASSERT_EQ(bits.size(), (entry.carrierBits + 7) / 8);
  for (uint32_t k = 0; k < share.streamBits; ++k) {
    ASSERT_EQ(bitAt(bits.data(), k), bitAt(stream.data(), startBit + k)) << "bit " << k;
  }
  EXPECT_TRUE(h.reporter.shown.empty());
}

TEST_P(CarrierConformance, MarkThenCheckIsWholeAtEveryPosition) {
  Harness h;
  ConformanceFile source = GetParam().make(kMinBits);
  CarrierEntry entry = h.add(source, GetParam().fileName);
  MarkField mark{};
  std::string text = "(c) conformance";
  std::copy(text.begin(), text.end(), mark.begin());
  std::string targetPath = h.dir.file("marked_" + GetParam().fileName);
  double percentage = -1;
  {
    auto src = platform::File::openRead(entry.path);
    auto dst = platform::File::createTruncate(targetPath);
    ASSERT_TRUE(carrierHandler(entry.type).mark(src, dst, mark, h.workspace, percentage));
  }
  expectOnlyUnitBitsDiffer(source, readAll(targetPath));
  CheckCollector collector;
  auto marked = platform::File::openRead(targetPath);
  ASSERT_TRUE(carrierHandler(entry.type).check(marked, entry.carrierBits, collector, h.workspace));
  for (size_t p = 0; p < kMarkSize; ++p) {
    uint32_t all = 0;
    for (int v = 0; v < 256; ++v) all += collector.counter(p, static_cast<uint8_t>(v));
    ASSERT_GT(all, 0u);
    EXPECT_EQ(collector.counter(p, mark[p]), all) << "position " << p;
  }
}

TEST_P(CarrierConformance, TruncatedFilesAreNotCarriersAndFailExtraction) {
  Harness h;
  ConformanceFile source = GetParam().make(kMinBits);
  CarrierEntry entry = h.add(source, GetParam().fileName);
  for (size_t keep : {size_t{0}, size_t{7}, source.bytes.size() / 2, source.bytes.size() - 1}) {
    std::vector<uint8_t> cut(source.bytes.begin(), source.bytes.begin() + keep);
    std::string path = h.dir.file("cut" + std::to_string(keep) + "_" + GetParam().fileName);
    writeAll(path, cut);
    IdentificationRecord record;
    EXPECT_FALSE(identify(path, IdentifyPurpose::kHiding, record, h.workspace)) << keep;
    EXPECT_TRUE(h.reporter.shown.empty());
    CarrierEntry cutEntry = entry;
    cutEntry.path = path;
    std::vector<uint8_t> bits;
    EXPECT_FALSE(h.extract(cutEntry, bits));
    EXPECT_EQ(h.reporter.shown.size(), 1u) << keep;
    h.reporter.clear();
  }
}

TEST_P(CarrierConformance, StopFlagEndsHideWithoutMessage) {
  Harness h;
  CarrierEntry entry = h.add(GetParam().make(kMinBits), GetParam().fileName);
  std::string streamPath = h.dir.file("stream.tmp");
  writeAll(streamPath, h.randomBytes(64, 2));
  h.workspace.stop = true;
  double percentage = -1;
  EXPECT_FALSE(h.hide(entry, h.dir.file("t_" + GetParam().fileName), streamPath,
                      {0, entry.carrierBits, 512}, percentage));
  EXPECT_TRUE(h.reporter.shown.empty());
}

TEST_P(CarrierConformance, FailingTargetWriteIsReportedOnce) {
  Harness h;
  CarrierEntry entry = h.add(GetParam().make(kMinBits), GetParam().fileName);
  std::string streamPath = h.dir.file("stream.tmp");
  writeAll(streamPath, h.randomBytes(64, 3));
  platform::injectWriteFailureAfter(0);
  double percentage = -1;
  bool ok = h.hide(entry, h.dir.file("t_" + GetParam().fileName), streamPath,
                   {0, entry.carrierBits, 512}, percentage);
  platform::injectWriteFailureAfter(-1);
  EXPECT_FALSE(ok);
  EXPECT_EQ(h.reporter.shownIds(), std::vector<MessageId>{MessageId::kCouldntWriteTargetFile});
}

}  // namespace
}  // namespace murl::test
