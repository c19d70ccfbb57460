// The read-back beside the writing gives the records a reading after it would give, and only
// for a straight writing of the length it was told; a writer that went back over its bytes or
// ended at another length leaves the target to be read again, and a failed writing or a stop
// abandons the reading.
#include "jobs/trailing_read_back.h"

#include <gtest/gtest.h>

#include "carriers/identify.h"
#include "carriers/registry.h"
#include "support/recording_reporter.h"
#include "support/temp_dir.h"
#include "support/thread_count.h"
#include "support/wav_builder.h"

namespace murl::test {
namespace {

using Outcome = TrailingReadBack::Outcome;

TEST(TrailingReadBackTest, OnlyAStraightWritingOfTheToldLengthIsTakenAsRead) {
  RecordingReporter reporter;
  Workspace workspace(reporter, Language::kEnglish);
  TempDir dir;
  const std::string source = writeWavCarrier(dir.file("c.wav"), 200000, 1);
  const std::vector<uint8_t> bytes = readAll(source);
  IdentificationRecord record;
  ASSERT_TRUE(identify(source, IdentifyPurpose::kUnhiding, record, workspace));
  CarrierEntry entry{record.type, record.carrierBits, record.parts, dir.file("t.wav")};
  const struct {
    const char* name;
    bool headWrittenAgain, longer, writingFails, stopped;
    Outcome outcome;
  } rows[] = {
      {"straight", false, false, false, false, Outcome::kRead},
      {"the head written again", true, false, false, false, Outcome::kReadAgain},
      {"longer than told", false, true, false, false, Outcome::kReadAgain},
      {"the writing failed", false, false, true, false, Outcome::kAbandoned},
      {"stopped", false, false, false, true, Outcome::kAbandoned},
  };
  const size_t threadsBefore = threadCount();
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    platform::File target = platform::realFileSystem().createTruncate(entry.path);
    std::vector<TrailerRecord> read;
    {
      TrailingReadBack readBack(workspace, entry, target, bytes.size());
      platform::File& writer = readBack.writer();
      for (size_t at = 0; at < bytes.size(); at += 65536)
        ASSERT_TRUE(
            writer.writeExact(bytes.data() + at, std::min<size_t>(65536, bytes.size() - at)));
      if (row.headWrittenAgain) {
        ASSERT_TRUE(writer.seek(0) && writer.writeExact(bytes.data(), 4));
      }
      if (row.longer) {
        ASSERT_TRUE(writer.writeExact(bytes.data(), 2));
      }
      workspace.stop = row.stopped;
      EXPECT_EQ(readBack.finish(!row.writingFails, read), row.outcome);
      workspace.stop = false;
    }
    EXPECT_EQ(threadCount(), threadsBefore);
    if (row.outcome != Outcome::kRead) continue;
    ReadBackSink after;
    ASSERT_TRUE(target.seek(0));
    ASSERT_TRUE(carrierHandler(entry.type).extract(target, entry, after, workspace));
    EXPECT_EQ(read, after.take());
    EXPECT_EQ(read.size(), 1u);
  }
  EXPECT_TRUE(reporter.shown.empty());
}

}  // namespace
}  // namespace murl::test
