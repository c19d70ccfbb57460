#pragma once
// Hide and extract through a handler with a stream of known bits, for the conformance suite and
// the per-format tests: the stream's bits must come back, and the target must differ from the
// source only where a unit bit may change.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "bits/bit_spreader.h"
#include "carriers/common/contract.h"
#include "carriers/registry.h"
#include "core/workspace.h"
#include "platform/file_system.h"
#include "support/faulty_file_system.h"
#include "support/random_bytes.h"
#include "support/recording_reporter.h"
#include "support/temp_dir.h"

namespace murl::test {

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
    const std::string path = dir.file(name);
    writeAll(path, bytes);
    return countFile(path, type);
  }
  IdentificationRecord countFile(const std::string& path, CarrierType type) {
    IdentificationRecord record;
    record.type = type;
    auto src = filesFor(TripFile::kSource).openRead(path);
    carrierHandler(type).count(src, record, workspace);
    return record;
  }

  // A stream file of `bytes` random bytes (or the given ones).
  std::string stream(std::vector<uint8_t> bytes) {
    streamBytes = std::move(bytes);
    const std::string path = dir.file("stream.tmp");
    writeAll(path, streamBytes);
    return path;
  }
  std::string randomStream(size_t bytes, uint32_t seed = 1) {
    return stream(randomBytes(bytes, seed));
  }

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

  // Extracts N bits from the carrier at `path`; `bits` gets the sink's bytes.
  bool extract(const std::string& path, const CarrierEntry& entry, std::vector<uint8_t>& bits) {
    CarrierEntry at = entry;
    at.path = path;
    return extractAll({at}, bits);
  }
  // Extracts every entry in order into one sink, as the unhiding job gathers them.
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

  // Writes `source` as `name`, counts it, hides `streamBytes` random bytes (all of its carrier
  // bits' worth at most) into "t_" + name and returns the target's bytes.
  std::vector<uint8_t> hideBytes(const std::vector<uint8_t>& source, const std::string& name,
                                 CarrierType countAs, size_t streamBytesWanted,
                                 IdentificationRecord& record) {
    record = count(source, name, countAs);
    EXPECT_FALSE(record.rejected) << name;
    if (record.rejected) return {};
    randomStream(streamBytesWanted, 5);
    const CarrierEntry entry{record.type, record.carrierBits, {}, dir.file(name)};
    const uint32_t bits = static_cast<uint32_t>(
        std::min<uint64_t>(uint64_t{streamBytesWanted} * 8, entry.carrierBits));
    double percentage = -1;
    EXPECT_TRUE(hide(entry.path, "t_" + name, entry, {0, entry.carrierBits, bits}, percentage));
    return readAll(dir.file("t_" + name));
  }
  // Extracts the target of hideBytes() and expects the stream's bytes to come back.
  void expectStreamIn(const std::string& name, const IdentificationRecord& record) {
    std::vector<uint8_t> bits;
    const std::string path = dir.file("t_" + name);
    ASSERT_TRUE(extract(path, {record.type, record.carrierBits, {}, path}, bits)) << name;
    ASSERT_GE(bits.size(), streamBytes.size());
    EXPECT_TRUE(std::equal(streamBytes.begin(), streamBytes.end(), bits.begin())) << name;
  }

  // The whole trip over a file already in the folder: count, hide the stream's first bits (all
  // of the carrier's bits, or fewer when the stream is shorter), extract, compare.
  void expectRoundTrip(const std::string& name, CarrierType countAs, size_t streamBytesWanted) {
    const std::string source = dir.file(name);
    IdentificationRecord record = countFile(source, countAs);
    ASSERT_FALSE(record.rejected) << name;
    const CarrierEntry entry{record.type, record.carrierBits, {}, source};
    randomStream(streamBytesWanted);
    const uint64_t streamBits = uint64_t{streamBytesWanted} * 8;
    const StreamShare share{
        0, record.carrierBits,
        static_cast<uint32_t>(std::min<uint64_t>(streamBits, record.carrierBits))};
    double percentage = -1;
    ASSERT_TRUE(hide(source, "target_" + name, entry, share, percentage)) << name;
    EXPECT_GT(percentage, 0.0);
    EXPECT_LT(percentage, 100.0);
    const CarrierEntry targetEntry{record.type, record.carrierBits, {}, dir.file("target_" + name)};
    IdentificationRecord again = countFile(targetEntry.path, countAs);
    EXPECT_EQ(again.type, record.type);
    EXPECT_EQ(again.carrierBits, record.carrierBits);
    std::vector<uint8_t> bits;
    ASSERT_TRUE(extract(targetEntry.path, targetEntry, bits)) << name;
    ASSERT_EQ(bits.size(), (record.carrierBits + 7) / 8);
    for (uint32_t k = 0; k < share.streamBits; ++k) {
      ASSERT_EQ(bitAt(bits.data(), k), bitAt(streamBytes.data(), k)) << name << " bit " << k;
    }
    EXPECT_TRUE(reporter.shown.empty());
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

}  // namespace murl::test
