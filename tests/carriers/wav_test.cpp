#include "carriers/wav/wav.h"

#include <gtest/gtest.h>

#include <random>

#include "bits/bit_spreader.h"
#include "carriers/conformance.h"
#include "carriers/identify.h"
#include "support/recording_reporter.h"
#include "support/temp_dir.h"
#include "support/wav_builder.h"

namespace murl::test {
namespace {

// Samples loud enough for level 3 in every other place, 16-bit mono.
ConformanceFile makeWavCarrier(uint32_t minBits) {
  WavShape shape;
  shape.channels = 2;
  shape.samples = soundSamples(2 * (minBits + 600), minBits + 600, 256, 11);
  shape.chunksAfterData.emplace_back("LIST", std::vector<uint8_t>{'I', 'N', 'F', 'O', 1, 2});
  ConformanceFile file{buildWav(shape), {}};
  file.unitBitMask.assign(file.bytes.size(), 0);
  size_t at = wavSamplesOffset(shape);
  for (size_t i = 0; i < shape.samples.size(); ++i) file.unitBitMask[at + 2 * i] = 1;
  return file;
}

INSTANTIATE_TEST_SUITE_P(Wav, CarrierConformance,
                         ::testing::Values(ConformanceCarrier{"Wav", "clip.wav", CarrierType::kWav,
                                                              makeWavCarrier}),
                         conformanceName);

class WavTest : public ::testing::Test {
 protected:
  WavTest() : workspace(reporter, Language::kEnglish) {}

  // Counts bytes written as a file of their own.
  bool count(const std::vector<uint8_t>& bytes, IdentificationRecord& record) {
    std::string path = dir.file("count.wav");
    writeAll(path, bytes);
    auto src = platform::File::openRead(path);
    return format_ops::count<WavFormat>({workspace, Operation::kCount}, src,
                                        CarrierRegion::wholeFile(src), record) &&
           !record.rejected;
  }
  uint32_t bitsOf(const std::vector<uint8_t>& bytes) {
    IdentificationRecord record;
    return count(bytes, record) ? record.carrierBits : 0;
  }

  RecordingReporter reporter;
  Workspace workspace;
  TempDir dir;
};

TEST_F(WavTest, CarrierBitsAreQualifyingSamplesLessLeadInAndTrailer) {
  // Mono, file size a multiple of 16, level 3: S = 3; 900 of 1000 samples qualify.
  WavShape shape;
  shape.samples = soundSamples(1000, 900, 256, 5);
  padToMultipleOf16(shape);
  auto bytes = buildWav(shape);
  ASSERT_EQ(bytes.size() % 16, 0u);
  EXPECT_EQ(bitsOf(bytes), 353u);
  // The lead-in follows the size's low four bits and the level.
  shape.appended = {1, 2, 3, 4, 5};
  EXPECT_EQ(bitsOf(buildWav(shape)), 900u - 8 - 544);
  workspace.options.setLevel(LevelFormat::kWav, 6);
  shape.samples.assign(1000, 16384);
  EXPECT_EQ(bitsOf(buildWav(shape)), 1000u - 11 - 544);
}

TEST_F(WavTest, QualifyingThresholdAtLevelThree) {
  EXPECT_FALSE(sampleQualifies(-256, 3));
  EXPECT_TRUE(sampleQualifies(-257, 3));
  EXPECT_TRUE(sampleQualifies(256, 3));
  EXPECT_FALSE(sampleQualifies(255, 3));
  EXPECT_TRUE(sampleQualifies(-16385, 6));
  EXPECT_FALSE(sampleQualifies(-16384, 6));
  EXPECT_TRUE(sampleQualifies(4, 0));
  EXPECT_FALSE(sampleQualifies(-4, 0));
  // Bit 0 never decides.
  for (int s = -32768; s < 32767; s += 2) {
    ASSERT_EQ(sampleQualifies(static_cast<int16_t>(s), 3),
              sampleQualifies(static_cast<int16_t>(s + 1), 3));
  }
  // Exactly S + 545 qualifying samples make one carrier bit; S + 544 make none.
  WavShape shape;
  shape.samples.assign(3 + 545, 256);
  padToMultipleOf16(shape);
  EXPECT_EQ(bitsOf(buildWav(shape)), 1u);
  shape.samples[0] = -256;
  EXPECT_EQ(bitsOf(buildWav(shape)), 0u);
}

TEST_F(WavTest, RefusesWhatIsNotSixteenBitPcm) {
  auto loud = soundSamples(2000, 2000, 256, 3);
  WavShape eightBit;
  eightBit.samples = loud;
  eightBit.blockAlign = 1;
  eightBit.bitsPerSample = 8;
  WavShape stereoAlignTwo;
  stereoAlignTwo.samples = loud;
  stereoAlignTwo.channels = 2;
  stereoAlignTwo.blockAlign = 2;
  WavShape floatTag;
  floatTag.samples = loud;
  floatTag.formatTag = 3;
  WavShape noChannels;
  noChannels.samples = loud;
  noChannels.channels = 0;
  noChannels.blockAlign = 2;
  WavShape shortFormat;
  shortFormat.samples = loud;
  shortFormat.fmtSize = 13;
  for (const WavShape& shape : {eightBit, stereoAlignTwo, floatTag, noChannels, shortFormat}) {
    EXPECT_EQ(bitsOf(buildWav(shape)), 0u);
  }
  WavShape good;
  good.samples = loud;
  auto bytes = buildWav(good);
  ASSERT_GT(bitsOf(bytes), 0u);
  // Planted defects in an otherwise good file.
  auto edit = [&](size_t at, std::vector<uint8_t> with) {
    auto copy = bytes;
    std::copy(with.begin(), with.end(), copy.begin() + static_cast<std::ptrdiff_t>(at));
    return copy;
  };
  EXPECT_EQ(bitsOf(edit(0, {'R', 'I', 'F', 'X'})), 0u);
  EXPECT_EQ(bitsOf(edit(8, {'W', 'A', 'V', 'F'})), 0u);
  EXPECT_EQ(bitsOf(edit(4, {0xFF, 0xFF, 0xFF, 0x7F})), 0u);   // RIFF size past the file
  EXPECT_EQ(bitsOf(edit(4, {0x00, 0x00, 0x00, 0x80})), 0u);   // RIFF size too large
  EXPECT_EQ(bitsOf(edit(4, {4, 0, 0, 0})), 0u);               // covers only "WAVE"
  EXPECT_EQ(bitsOf(edit(12, {'d', 'a', 't', 'a'})), 0u);      // data before fmt
  EXPECT_EQ(bitsOf(edit(40, {0, 0, 0, 0})), 0u);              // empty data
  EXPECT_EQ(bitsOf(edit(40, {0xFF, 0xFF, 0xFF, 0x7F})), 0u);  // data past the RIFF size
  // Chunks that do not end exactly at the RIFF size: one byte more covered.
  auto longer = bytes;
  longer.push_back(0);
  longer[4] += 1;
  EXPECT_EQ(bitsOf(longer), 0u);
  // A second fmt or data chunk.
  WavShape twoData = good;
  twoData.chunksAfterData.emplace_back("data", std::vector<uint8_t>(4, 1));
  EXPECT_EQ(bitsOf(buildWav(twoData)), 0u);
  WavShape twoFormats = good;
  std::vector<uint8_t> fmt(bytes.begin() + 20, bytes.begin() + 36);
  twoFormats.chunksBeforeData.emplace_back("fmt ", fmt);
  EXPECT_EQ(bitsOf(buildWav(twoFormats)), 0u);
  // No data chunk at all.
  std::vector<uint8_t> headOnly(bytes.begin(), bytes.begin() + 36);
  headOnly[4] = 28;
  headOnly[5] = headOnly[6] = headOnly[7] = 0;
  EXPECT_EQ(bitsOf(headOnly), 0u);
  EXPECT_TRUE(reporter.shown.empty());
}

TEST_F(WavTest, OddDataAndExtraChunksAreCopiedUnchanged) {
  WavShape shape;
  shape.samples = soundSamples(4000, 3000, 300, 8);
  shape.dataTail = {0xAB};
  shape.chunksBeforeData.emplace_back("LIST", std::vector<uint8_t>{'I', 'N', 'F', 'O', 'x'});
  shape.chunksAfterData.emplace_back("LIST", std::vector<uint8_t>(33, 0xEE));
  shape.appended = {9, 8, 7};
  auto bytes = buildWav(shape);
  std::string source = dir.file("odd.wav");
  writeAll(source, bytes);
  IdentificationRecord record;
  ASSERT_TRUE(identify(source, IdentifyPurpose::kHiding, record, workspace));
  std::string streamPath = dir.file("stream");
  writeAll(streamPath, std::vector<uint8_t>(record.carrierBits / 8, 0x5A));
  std::string target = dir.file("odd_out.wav");
  {
    auto src = platform::File::openRead(source);
    auto dst = platform::File::createTruncate(target);
    auto stream = platform::File::openRead(streamPath);
    double percentage = 0;
    StreamShare share{0, record.carrierBits, record.carrierBits / 8 * 8};
    ASSERT_TRUE(format_ops::hide<WavFormat>({workspace, Operation::kHide}, src, dst,
                                            CarrierRegion::wholeFile(src), CarrierType::kWav, share,
                                            {&stream, {}}, percentage));
  }
  auto out = readAll(target);
  ASSERT_EQ(out.size(), bytes.size());
  size_t samplesEnd = wavSamplesOffset(shape) + shape.samples.size() * 2;
  EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + wavSamplesOffset(shape), out.begin()));
  EXPECT_TRUE(std::equal(bytes.begin() + samplesEnd, bytes.end(), out.begin() + samplesEnd));
  EXPECT_NE(bytes, out);
}

// Hides one stream over several carriers in list order and reads it back through one sink.
TEST_F(WavTest, StreamSpreadOverSeveralCarriersComesBackExactly) {
  std::vector<CarrierEntry> entries;
  std::vector<uint32_t> bits;
  for (int i = 0; i < 3; ++i) {
    WavShape shape;
    shape.channels = static_cast<uint16_t>(1 + i % 2);
    shape.samples = soundSamples(3000 + 1000 * i, 2000 + 700 * i, 256, 20 + i);
    std::string path = dir.file("c" + std::to_string(i) + ".wav");
    writeAll(path, buildWav(shape));
    IdentificationRecord record;
    ASSERT_TRUE(identify(path, IdentifyPurpose::kHiding, record, workspace));
    entries.push_back({record.type, record.carrierBits, {}, path});
    bits.push_back(record.carrierBits);
  }
  // The stream ends inside the last carrier.
  uint32_t streamBytes = (bits[0] + bits[1] + bits[2] / 2) / 8;
  std::vector<uint8_t> stream(streamBytes);
  std::mt19937 random(4);
  for (auto& b : stream) b = static_cast<uint8_t>(random());
  std::string streamPath = dir.file("stream");
  writeAll(streamPath, stream);
  auto shares = assignStreamBits(bits, streamBytes * 8);
  auto streamFile = platform::File::openRead(streamPath);
  for (size_t i = 0; i < entries.size(); ++i) {
    std::string target = dir.file("t" + std::to_string(i) + ".wav");
    auto src = platform::File::openRead(entries[i].path);
    auto dst = platform::File::createTruncate(target);
    double percentage = 0;
    HideJob job{&streamFile, {1, 2, static_cast<uint16_t>(i), 3}};
    ASSERT_TRUE(wavHandler().hide(src, dst, entries[i], shares[i], job, workspace, percentage));
    entries[i].path = target;
  }
  std::string sinkPath = dir.file("gathered");
  {
    auto temp = platform::File::createTruncate(sinkPath);
    ExtractionSink sink(workspace, temp);
    for (const auto& entry : entries) {
      auto src = platform::File::openRead(entry.path);
      ASSERT_TRUE(wavHandler().extract(src, entry, sink, workspace));
    }
    ASSERT_TRUE(sink.flush());
  }
  auto gathered = readAll(sinkPath);
  ASSERT_EQ(gathered.size(), (uint64_t{bits[0]} + bits[1] + bits[2] + 7) / 8);
  EXPECT_TRUE(std::equal(stream.begin(), stream.end(), gathered.begin()));
}

TEST_F(WavTest, AppendedBytesShiftTheLeadInSoBitsComeBackWrong) {
  WavShape shape;
  shape.samples = soundSamples(3000, 2500, 256, 30);
  std::string source = dir.file("a.wav");
  writeAll(source, buildWav(shape));
  IdentificationRecord record;
  ASSERT_TRUE(identify(source, IdentifyPurpose::kHiding, record, workspace));
  std::vector<uint8_t> stream(record.carrierBits / 8);
  std::mt19937 random(31);
  for (auto& b : stream) b = static_cast<uint8_t>(random());
  std::string streamPath = dir.file("s");
  writeAll(streamPath, stream);
  std::string target = dir.file("b.wav");
  {
    auto src = platform::File::openRead(source);
    auto dst = platform::File::createTruncate(target);
    auto streamFile = platform::File::openRead(streamPath);
    double percentage = 0;
    ASSERT_TRUE(wavHandler().hide(src, dst, {CarrierType::kWav, record.carrierBits, {}, source},
                                  {0, record.carrierBits, uint32_t(stream.size() * 8)},
                                  {&streamFile, {}}, workspace, percentage));
  }
  auto grown = readAll(target);
  grown.push_back(0);
  writeAll(target, grown);
  IdentificationRecord recount;
  ASSERT_TRUE(identify(target, IdentifyPurpose::kUnhiding, recount, workspace));
  EXPECT_EQ(recount.carrierBits, record.carrierBits - 1);
  std::string sinkPath = dir.file("g");
  auto temp = platform::File::createTruncate(sinkPath);
  ExtractionSink sink(workspace, temp);
  auto src = platform::File::openRead(target);
  ASSERT_TRUE(wavHandler().extract(src, {CarrierType::kWav, recount.carrierBits, {}, target}, sink,
                                   workspace));
  ASSERT_TRUE(sink.flush());
  temp.close();
  auto gathered = readAll(sinkPath);
  EXPECT_FALSE(std::equal(stream.begin(), stream.begin() + 64, gathered.begin()));
}

TEST_F(WavTest, ExtractNeedsExactlyTheCountedBits) {
  WavShape shape;
  shape.samples = soundSamples(2000, 1500, 256, 40);
  std::string path = dir.file("e.wav");
  writeAll(path, buildWav(shape));
  IdentificationRecord record;
  ASSERT_TRUE(identify(path, IdentifyPurpose::kUnhiding, record, workspace));
  auto temp = platform::File::createTruncate(dir.file("sink"));
  for (uint32_t n : {record.carrierBits - 1, record.carrierBits + 1}) {
    ExtractionSink sink(workspace, temp);
    auto src = platform::File::openRead(path);
    EXPECT_FALSE(wavHandler().extract(src, {CarrierType::kWav, n, {}, path}, sink, workspace));
    EXPECT_EQ(reporter.shownIds(), std::vector<MessageId>{MessageId::kWrongCarrierBitsNumber});
    reporter.clear();
  }
  CheckCollector collector;
  auto src = platform::File::openRead(path);
  EXPECT_FALSE(wavHandler().check(src, record.carrierBits + 5, collector, workspace));
  EXPECT_EQ(reporter.shownIds(), std::vector<MessageId>{MessageId::kWrongCarrierBitsNumber});
}

// A wave resource inside a bigger file: counted from its offset with its own size, rewritten in
// place in a copy, nothing outside it touched.
TEST_F(WavTest, InsideAModuleFormRewritesInPlace) {
  WavShape shape;
  shape.samples = soundSamples(3000, 2600, 256, 50);
  auto wave = buildWav(shape);
  const size_t offset = 1000;
  std::vector<uint8_t> module(offset + wave.size() + 777, 0x22);
  std::fill_n(module.begin(), offset, 0x11);
  std::copy(wave.begin(), wave.end(), module.begin() + offset);
  std::string path = dir.file("m.dll");
  writeAll(path, module);
  CarrierRegion region{offset, wave.size(), true};
  auto src = platform::File::openRead(path);
  IdentificationRecord record;
  ASSERT_TRUE(format_ops::count<WavFormat>({workspace, Operation::kCount}, src, region, record));
  EXPECT_EQ(record.carrierBits, bitsOf(wave));

  std::string target = dir.file("m_out.dll");
  writeAll(target, module);  // the module handler copies the module first
  std::vector<uint8_t> stream(record.carrierBits / 8, 0xC3);
  writeAll(dir.file("s"), stream);
  {
    auto dst = platform::File::openReadWrite(target);
    auto streamFile = platform::File::openRead(dir.file("s"));
    double percentage = 0;
    ASSERT_TRUE(format_ops::hide<WavFormat>(
        {workspace, Operation::kHide}, src, dst, region, CarrierType::kWav,
        {0, record.carrierBits, uint32_t(stream.size() * 8)}, {&streamFile, {}}, percentage));
  }
  auto out = readAll(target);
  ASSERT_EQ(out.size(), module.size());
  for (size_t i = 0; i < out.size(); ++i) {
    bool sampleLow = i >= offset + wavSamplesOffset(shape) &&
                     i < offset + wavSamplesOffset(shape) + 6000 && (i - offset) % 2 == 0;
    ASSERT_EQ((out[i] ^ module[i]) & (sampleLow ? 0xFE : 0xFF), 0) << i;
  }
  auto rewritten = platform::File::openRead(target);
  auto temp = platform::File::createTruncate(dir.file("sink"));
  ExtractionSink sink(workspace, temp);
  ASSERT_TRUE(format_ops::read<WavFormat>({workspace, Operation::kExtract}, rewritten, region,
                                          CarrierType::kWav, record.carrierBits, sink));
  ASSERT_TRUE(sink.flush());
  temp.close();
  auto gathered = readAll(dir.file("sink"));
  EXPECT_TRUE(std::equal(stream.begin(), stream.end(), gathered.begin()));
}

}  // namespace
}  // namespace murl::test
