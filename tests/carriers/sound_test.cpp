#include <gtest/gtest.h>

#include <algorithm>

#include "carriers/aiff_au/aiff_au.h"
#include "carriers/conformance.h"
#include "carriers/wav/wav.h"
#include "platform/byte_order.h"
#include "support/wav_builder.h"

namespace murl::test {
namespace {

// Each case of a data file counted as `type`: taken or refused, quietly.
void expectCases(const std::string& data, const char* fixture, CarrierType type, size_t count) {
  RoundTrip trip;
  const auto cases = editedCases(data, readFixture(fixture));
  ASSERT_EQ(cases.size(), count);
  for (const auto& [accepted, bytes, what] : cases)
    EXPECT_EQ(trip.bitsOf(bytes, type) != 0, accepted) << what;
  EXPECT_TRUE(trip.reporter.shown.empty());
}

// tests/data/wav_headers.txt, then chunks that are not where they belong.
TEST(WavCount, RefusesWhatIsNotSixteenBitPcm) {
  expectCases("wav_headers.txt", "wav_mono.wav", CarrierType::kWav, 14);
  WavShape good;
  good.samples = soundSamples(2000, 2000, 256, 3);
  const Bytes bytes = buildWav(good);
  const auto shaped = [&](auto change) {
    WavShape shape = good;
    change(shape);
    return buildWav(shape);
  };
  Bytes longer = bytes;  // one byte more covered: the chunks end before the RIFF size
  longer.push_back(0);
  longer[4] += 1;
  Bytes headOnly(bytes.begin(), bytes.begin() + 36);
  headOnly[4] = 28;
  const Bytes fmtBody(bytes.begin() + 20, bytes.begin() + 36);
  RoundTrip trip;
  ASSERT_GT(trip.bitsOf(bytes, CarrierType::kWav), 0u);
  trip.expectNoCarriers(
      CarrierType::kWav,
      {{"short fmt", shaped([](WavShape& s) { s.fmtSize = 13; })},
       {"second data",
        shaped([](WavShape& s) { s.chunksAfterData.emplace_back("data", Bytes(4)); })},
       {"second fmt",
        shaped([&](WavShape& s) { s.chunksBeforeData.emplace_back("fmt ", fmtBody); })},
       {"no samples", shaped([](WavShape& s) { s.samples.clear(); })},
       {"chunks end early", longer},
       {"no data chunk", headOnly}});
}

// sox's files: COMT at 12, COMM at 46, SSND at 72; AU data at 44.
constexpr size_t kComm = 46, kSsnd = 72;

// tests/data/aiff_headers.txt and au_headers.txt, then chunks out of place and cut files.
TEST(AiffAuCount, RefusesPlantedDefects) {
  expectCases("aiff_headers.txt", "aiff_mono.aiff", CarrierType::kAiff, 8);
  expectCases("au_headers.txt", "au_mono.au", CarrierType::kAiff, 6);
  const Bytes aiff = readFixture("aiff_mono.aiff");
  const Bytes au = readFixture("au_mono.au");
  const Bytes toTheEnd = readFixture("au_unknown_size.au");
  Bytes oddChunk = aiff;  // a 3-byte chunk and its pad byte, which the walk does not skip
  oddChunk.insert(oddChunk.begin() + 12, {'A', 'N', 'N', 'O', 0, 0, 0, 3, 'o', 'd', 'd', 0});
  storeBe32(&oddChunk[4], loadBe32(&oddChunk[4]) + 12);
  Bytes longSsnd = aiff;  // two bytes more in SSND and the form than COMM's frames fill
  longSsnd.insert(longSsnd.end(), {0, 0});
  storeBe32(&longSsnd[4], loadBe32(&longSsnd[4]) + 2);
  storeBe32(&longSsnd[kSsnd + 4], loadBe32(&longSsnd[kSsnd + 4]) + 2);
  Bytes ssndFirst = aiff;  // COMM moved to the end
  ssndFirst.erase(ssndFirst.begin() + kComm, ssndFirst.begin() + kComm + 26);
  ssndFirst.insert(ssndFirst.end(), aiff.begin() + kComm, aiff.begin() + kComm + 26);
  Bytes oddToTheEnd = toTheEnd;
  oddToTheEnd.push_back(0);
  RoundTrip trip;
  trip.expectNoCarriers(CarrierType::kAiff,
                        {{"SSND too long", longSsnd},
                         {"odd chunk and pad", oddChunk},
                         {"SSND before COMM", ssndFirst},
                         {"odd AU data to the end", oddToTheEnd},
                         {"AU header cut", Bytes(au.begin(), au.begin() + 23)}});
}

// Where a file's samples lie, found the plain way: after "data" (WAV, little-endian), after the
// 8 bytes that open SSND (AIFF) or at the data offset (AU, big-endian).
struct Samples {
  size_t at = 0;
  size_t count = 0;
  bool bigEndian = true;
};

Samples samplesOf(const Bytes& file) {
  const auto find = [&](const char* id) {
    return size_t(std::search(file.begin(), file.end(), id, id + 4) - file.begin()) + 8;
  };
  if (file[0] == 'R') return {find("data"), loadLe32(&file[find("data") - 4]) / 2, false};
  if (file[0] == 'F') return {find("SSND") + 8, (loadBe32(&file[find("SSND") - 4]) - 8) / 2};
  const size_t at = loadBe32(&file[4]);
  const uint32_t size = loadBe32(&file[8]);
  return {at, (size == 0xFFFFFFFF ? file.size() - at : size) / 2};
}

// Units are the samples from 2^(2 level + 2) up or from -2^(2 level + 2) - 1 down; the lead-in
// follows the file's size.
ModelOf soundModel(uint8_t level) {
  return [level](const Bytes& file) {
    const Samples s = samplesOf(file);
    UnitModel model{{}, static_cast<uint32_t>(file.size() % 16) + level, 1};
    const int threshold = 1 << (2 * level + 2);
    for (size_t i = 0; i < s.count; ++i) {
      const uint8_t* p = &file[s.at + 2 * i];
      const auto sample = static_cast<int16_t>(s.bigEndian ? loadBe16(p) : loadLe16(p));
      if (sample >= threshold || sample < -threshold) model.unitBits.push_back(sample & 1);
    }
    return model;
  };
}

void prepareSound(ConformanceFile& file, uint8_t level, size_t bytesAfter = 0) {
  file.bytes.insert(file.bytes.end(), bytesAfter, 0x5A);
  const Samples s = samplesOf(file.bytes);
  file.unitBitMask.assign(file.bytes.size(), 0);
  for (size_t i = 0; i < s.count; ++i) file.unitBitMask[s.at + 2 * i + s.bigEndian] = 1;
  file.model = soundModel(level);
  file.cutBelow = file.bytes.size() - bytesAfter;
}

// Stereo, chunks before and after the data, an odd data byte and bytes after the RIFF data: all
// of it must reach the target unchanged.
ConformanceFile builtWav(uint32_t minBits) {
  WavShape shape;
  shape.channels = 2;
  shape.samples = soundSamples(2 * (minBits + 600), minBits + 600, 256, 11);
  shape.dataTail = {0xAB};
  shape.chunksBeforeData.emplace_back("LIST", Bytes{'I', 'N', 'F', 'O', 'x'});
  shape.chunksAfterData.emplace_back("LIST", Bytes{'I', 'N', 'F', 'O', 1, 2});
  ConformanceFile file{buildWav(shape)};
  prepareSound(file, kDefaultLevel, 3);
  return file;
}

// A fixture of sox or ffmpeg at `level`, the other sound formats at another, so each type must
// read its own; `after` bytes appended, or the AIFF form type written in lower case.
ConformanceCarrier fixture(const char* name, const char* file, const char* as, CarrierType type,
                           uint8_t level, size_t after = 0, bool lowerCase = false) {
  Options options = atLevel((level + 3) % 7);
  options.setLevel(type == CarrierType::kWav  ? LevelFormat::kWav
                   : type == CarrierType::kAu ? LevelFormat::kAu
                                              : LevelFormat::kAif,
                   level);
  return {name,
          as,
          type,
          [=](uint32_t) {
            ConformanceFile carrier{readFixture(file)};
            if (lowerCase) std::copy_n("aiff", 4, carrier.bytes.begin() + 8);
            prepareSound(carrier, level, after);
            // Samples that run to the end leave a carrier at any even length past the header.
            if (carrier.bytes[8] == 0xFF) carrier.cutBelow = samplesOf(carrier.bytes).at;
            return carrier;
          },
          true,
          options};
}

// AU files named for AIFF and an AIFF named for AU: count tells them by their first bytes.
INSTANTIATE_TEST_SUITE_P(
    Sound, CarrierConformance,
    ::testing::Values(
        ConformanceCarrier{"WavStereoWithChunksAround", "clip.wav", CarrierType::kWav, builtWav},
        fixture("SoxWavMono", "wav_mono.wav", "m.wav", CarrierType::kWav, 2),
        fixture("SoxWavStereo", "wav_stereo.wav", "s.wave", CarrierType::kWav, 0),
        fixture("FfmpegWavList", "wav_ff_list.wav", "l.wav", CarrierType::kWav, 3),
        fixture("AiffLowerCaseForm", "aiff_mono.aiff", "m.aiff", CarrierType::kAiff, 3, 0, true),
        fixture("AiffStereoBytesAfter", "aiff_stereo.aiff", "s.au", CarrierType::kAiff, 1, 16),
        fixture("AuMono", "au_mono.au", "a.snd", CarrierType::kAu, 2),
        fixture("AuToTheEnd", "au_unknown_size.au", "e.aif", CarrierType::kAu, 3)),
    conformanceName);

// Samples over two 4 MiB blocks, at level 0, from an unaligned start bit: the grouped walk meets
// the block's end in the middle of a group.
TEST(WavBlocks, BitsComeBackAcrossTheBlockEdge) {
  WavShape wav;
  wav.samples = soundSamples(0x200000 + 4099, 0x200000 - 1001, 4, 8);
  wav.dataTail = {0x7F};
  const Bytes original = buildWav(wav);
  RoundTrip trip;
  trip.workspace.options.setLevel(LevelFormat::kWav, 0);
  const IdentificationRecord record = trip.count(original, "big.wav", CarrierType::kWav);
  ASSERT_FALSE(record.rejected);
  const uint32_t n = record.carrierBits;
  trip.randomStream(n / 8 + 8, n);
  trip.expectBitsBack({CarrierType::kWav, n, {}, trip.dir.file("big.wav")}, "t.wav",
                      {5, n, n - n / 7});
  ConformanceFile expected{original};
  prepareSound(expected, 0);
  expectOnlyMaskedBitsDiffer(original, readAll(trip.dir.file("t.wav")), expected.unitBitMask);
}

}  // namespace
}  // namespace murl::test
