#include "bits/read_back.h"

#include <gtest/gtest.h>

#include <random>

#include "support/random_bytes.h"
#include "support/recording_reporter.h"
#include "support/temp_dir.h"

namespace murl::test {
namespace {

// Every unit bit a chunk source gives for one carrier, data then trailer, fed to a read-back
// sink in words of changing sizes as the readers hand them over: the sink finds the data check
// and the trailer the source made, whatever the chunks and the words.
TEST(ReadBack, FindsTheDataCheckAndTrailerAChunkSourceMade) {
  RecordingReporter reporter;
  Workspace workspace(reporter, Language::kEnglish);
  TempDir dir;
  writeAll(dir.file("stream"), randomBytes(0x80100, 3));
  platform::File stream = platform::realFileSystem().openRead(dir.file("stream"));
  struct Case {
    StreamShare share;
    uint32_t wordBits;  // the largest word handed over
  } cases[] = {
      {{0, 1, 1}, 64},                     // no whole byte: the check stays 1
      {{5, 13, 13}, 3},                    // unaligned, a partial last group
      {{3, 0x400000 + 13, 0x400000}, 64},  // two chunks, the stream ends in the first
      {{8, 700, 0}, 41},                   // random bits only
  };
  ReadBackSink sink;
  std::vector<TrailerRecord> made;
  for (const Case& c : cases) {
    const TrailerFields fields{7, 0xC0FFEE01, static_cast<uint16_t>(made.size()), 4};
    ChunkSource source(workspace, stream, c.share, fields);
    TrailerBytes trailer{};
    uint32_t trailerBit = 0;
    for (uint32_t size = 1; source.remaining() != 0; size = size % c.wordBits + 1) {
      uint64_t word = 0;
      uint32_t count = 0;
      ASSERT_TRUE(source.nextWord(word, count, size));
      if (source.remaining() + count > kTrailerBits) {
        ASSERT_TRUE(sink.putUnitBits(word >> (64 - count), count));
        continue;
      }
      for (uint32_t i = 0; i < count; ++i, ++trailerBit)
        trailer[trailerBit / 8] |=
            static_cast<uint8_t>((~word >> (63 - i) & 1) << (7 - trailerBit % 8));
    }
    sink.putTrailer(trailer);
    made.push_back(source.record());
    TrailerFields read;
    EXPECT_TRUE(readTrailer(trailer, made.back().dataCheck, read));
    EXPECT_EQ(read, fields);
    EXPECT_FALSE(readTrailer(trailer, made.back().dataCheck + 1, read));
  }
  EXPECT_EQ(made[0].dataCheck, 1u);
  // One record per carrier, each check begun afresh.
  EXPECT_EQ(sink.take(), made);
  EXPECT_TRUE(sink.take().empty());
  EXPECT_TRUE(reporter.shown.empty());
}

TEST(ReadBack, OneCarriersTrailersMustAllReadAndAgree) {
  RandomSource random;
  auto record = [&](TrailerFields fields, uint32_t check) {
    TrailerRecord r{check, {}};
    makeTrailer(r.trailer.data(), fields, check, random);
    return r;
  };
  const TrailerFields job{1, 2, 0, 3};
  TrailerFields other = job;
  other.carrierIndex = 1;
  TrailerRecord wrongKey = record(job, 99);
  wrongKey.dataCheck = 98;
  struct Case {
    const char* what;
    std::vector<TrailerRecord> records;
    bool reads;
  } cases[] = {
      {"one", {record(job, 5)}, true},
      {"two resources of one module", {record(job, 5), record(job, 6)}, true},
      {"none: a module without resources", {}, false},
      {"resources disagree", {record(job, 5), record(other, 6)}, false},
      {"a resource altered", {record(job, 5), wrongKey}, false},
  };
  for (const Case& c : cases) {
    TrailerFields fields;
    EXPECT_EQ(readTrailers(c.records, fields), c.reads) << c.what;
    if (c.reads) {
      EXPECT_EQ(fields, job) << c.what;
    }
  }
}

}  // namespace
}  // namespace murl::test
