#include "carriers/wav/wav.h"

#include <gtest/gtest.h>

#include "carriers/conformance.h"
#include "support/wav_builder.h"

namespace murl::test {
namespace {

// At the default level a sample qualifies from 256 up or from -257 down.
bool loudAtLevelThree(int16_t s) { return s >= 256 || s <= -257; }

// Stereo, chunks before and after the data, an odd data byte and bytes after the RIFF data: all
// of it must reach the target unchanged.
ConformanceFile makeWavCarrier(uint32_t minBits) {
  WavShape shape;
  shape.channels = 2;
  shape.samples = soundSamples(2 * (minBits + 600), minBits + 600, 256, 11);
  shape.dataTail = {0xAB};
  shape.chunksBeforeData.emplace_back("LIST", std::vector<uint8_t>{'I', 'N', 'F', 'O', 'x'});
  shape.chunksAfterData.emplace_back("LIST", std::vector<uint8_t>{'I', 'N', 'F', 'O', 1, 2});
  shape.appended = {9, 8, 7};
  ConformanceFile file{buildWav(shape), {}, {}};
  file.cutBelow = file.bytes.size() - shape.appended.size();
  const size_t at = wavSamplesOffset(shape);
  const size_t count = shape.samples.size();
  file.unitBitMask.assign(file.bytes.size(), 0);
  for (size_t i = 0; i < count; ++i) file.unitBitMask[at + 2 * i] = 1;
  file.model = [at, count](const std::vector<uint8_t>& bytes) {
    UnitModel model{{}, static_cast<uint32_t>(bytes.size() % 16) + 3, 1};
    for (size_t i = 0; i < count; ++i) {
      const auto sample = static_cast<int16_t>(bytes[at + 2 * i] | bytes[at + 2 * i + 1] << 8);
      if (loudAtLevelThree(sample)) model.unitBits.push_back(sample & 1);
    }
    return model;
  };
  return file;
}

INSTANTIATE_TEST_SUITE_P(Wav, CarrierConformance,
                         ::testing::Values(ConformanceCarrier{"Wav", "clip.wav", CarrierType::kWav,
                                                              makeWavCarrier}),
                         conformanceName);

class WavTest : public ::testing::Test {
 protected:
  uint32_t bitsOf(const std::vector<uint8_t>& bytes) {
    const IdentificationRecord record = trip.count(bytes, "count.wav", CarrierType::kWav);
    return record.rejected ? 0 : record.carrierBits;
  }
  RoundTrip trip;
};

TEST_F(WavTest, CarrierBitsAreQualifyingSamplesLessLeadInAndTrailer) {
  // Mono, file size a multiple of 16, level 3: S = 3; 900 of 1000 samples qualify.
  WavShape shape;
  shape.samples = soundSamples(1000, 900, 256, 5);
  padToMultipleOf16(shape);
  ASSERT_EQ(buildWav(shape).size() % 16, 0u);
  EXPECT_EQ(bitsOf(buildWav(shape)), 353u);
  // The lead-in follows the size's low four bits and the level.
  shape.appended = {1, 2, 3, 4, 5};
  EXPECT_EQ(bitsOf(buildWav(shape)), 900u - 8 - 544);
  // -256 stays below the level-3 threshold, -257 and 256 pass it; S + 545 units make one bit.
  WavShape edge;
  edge.samples.assign(3 + 545, 256);
  edge.samples[1] = -257;
  padToMultipleOf16(edge);
  EXPECT_EQ(bitsOf(buildWav(edge)), 1u);
  edge.samples[0] = -256;
  EXPECT_EQ(bitsOf(buildWav(edge)), 0u);
  trip.workspace.options.setLevel(LevelFormat::kWav, 6);
  shape.samples.assign(1000, 16384);
  shape.samples[0] = -16384;  // below the level-6 threshold
  EXPECT_EQ(bitsOf(buildWav(shape)), 999u - 11 - 544);
}

TEST_F(WavTest, RefusesWhatIsNotSixteenBitPcm) {
  WavShape good;
  good.samples = soundSamples(2000, 2000, 256, 3);
  const auto bytes = buildWav(good);
  ASSERT_GT(bitsOf(bytes), 0u);
  const auto shaped = [&](auto change) {
    WavShape shape = good;
    change(shape);
    return buildWav(shape);
  };
  const auto edited = [&](size_t at, std::vector<uint8_t> with) {
    auto copy = bytes;
    std::copy(with.begin(), with.end(), copy.begin() + static_cast<std::ptrdiff_t>(at));
    return copy;
  };
  auto longer = bytes;  // one byte more covered: the chunks end before the RIFF size
  longer.push_back(0);
  longer[4] += 1;
  std::vector<uint8_t> headOnly(bytes.begin(), bytes.begin() + 36);
  headOnly[4] = 28;
  const std::vector<uint8_t> fmtBody(bytes.begin() + 20, bytes.begin() + 36);
  const std::pair<const char*, std::vector<uint8_t>> refused[] = {
      {"8-bit", shaped([](WavShape& s) { s.blockAlign = 1, s.bitsPerSample = 8; })},
      {"stereo align 2", shaped([](WavShape& s) { s.channels = 2, s.blockAlign = 2; })},
      {"float tag", shaped([](WavShape& s) { s.formatTag = 3; })},
      {"no channels", shaped([](WavShape& s) { s.channels = 0, s.blockAlign = 2; })},
      {"short fmt", shaped([](WavShape& s) { s.fmtSize = 13; })},
      {"second data", shaped([](WavShape& s) {
         s.chunksAfterData.emplace_back("data", std::vector<uint8_t>(4, 1));
       })},
      {"second fmt",
       shaped([&](WavShape& s) { s.chunksBeforeData.emplace_back("fmt ", fmtBody); })},
      {"not RIFF", edited(0, {'R', 'I', 'F', 'X'})},
      {"not WAVE", edited(8, {'W', 'A', 'V', 'F'})},
      {"RIFF size past the file", edited(4, {0xFF, 0xFF, 0xFF, 0x7F})},
      {"RIFF size too large", edited(4, {0x00, 0x00, 0x00, 0x80})},
      {"RIFF covers only WAVE", edited(4, {4, 0, 0, 0})},
      {"data before fmt", edited(12, {'d', 'a', 't', 'a'})},
      {"empty data", edited(40, {0, 0, 0, 0})},
      {"data past the RIFF size", edited(40, {0xFF, 0xFF, 0xFF, 0x7F})},
      {"chunks end early", longer},
      {"no data chunk", headOnly},
  };
  for (const auto& [defect, file] : refused) EXPECT_EQ(bitsOf(file), 0u) << defect;
  EXPECT_TRUE(trip.reporter.shown.empty());
}

}  // namespace
}  // namespace murl::test
