#include "carriers/aiff_au/aiff_au.h"

#include <gtest/gtest.h>

#include "carriers/aiff_au/audio_format.h"
#include "carriers/conformance.h"
#include "carriers/round_trip.h"
#include "support/audio_builder.h"

namespace murl::test {
namespace {

using audio::AudioLayout;

bool parses(const std::vector<uint8_t>& bytes, AudioLayout& layout) {
  TempDir dir;
  writeAll(dir.file("sound"), bytes);
  auto src = platform::File::openRead(dir.file("sound"));
  return audio::parseAudio(src, layout);
}
bool parses(const std::vector<uint8_t>& bytes) {
  AudioLayout layout;
  return parses(bytes, layout);
}

std::vector<uint8_t> fixture(const std::string& name) {
  return readAll(std::string(MURL_TEST_DATA_DIR) + "/" + name);
}

// Per byte, the bits hide may change: bit 0 of the second byte of each sample.
std::vector<uint8_t> sampleBitMask(const std::vector<uint8_t>& bytes, const AudioLayout& layout) {
  std::vector<uint8_t> mask(bytes.size(), 0);
  for (uint64_t i = 0; i < layout.sampleCount; ++i) mask[layout.samplesAt + 2 * i + 1] = 1;
  return mask;
}

TEST(AiffFormat, FindsTheSamplesOfWellFormedFiles) {
  const auto samples = swingingSamples(600);
  AudioLayout layout;
  ASSERT_TRUE(parses(buildAiff(samples), layout));
  EXPECT_EQ(layout.type, CarrierType::kAiff);
  EXPECT_EQ(layout.sampleCount, 600u);
  EXPECT_EQ(layout.samplesAt, 12u + 12 + 26 + 16);  // NAME, COMM, SSND head
  // The form type is compared without regard to case; bytes after the form are tolerated.
  const AiffShape lower{.channels = 2, .formType = "aiff", .trailingBytes = 5};
  ASSERT_TRUE(parses(buildAiff(samples, lower), layout));
  EXPECT_EQ(layout.sampleCount, 600u);
  // sox writes a COMT chunk first.
  ASSERT_TRUE(parses(fixture("aiff_stereo.aiff"), layout));
  EXPECT_EQ(layout.sampleCount, 2u * 800);
}

TEST(AiffFormat, RefusesPlantedDefects) {
  const auto samples = swingingSamples(600);
  const std::pair<const char*, AiffShape> refused[] = {
      {"SSND too long", {.ssndSizeDelta = 2}},
      {"SSND too short", {.ssndSizeDelta = -2}},
      {"8-bit", {.sampleSize = 8}},
      {"24-bit", {.sampleSize = 24}},
      {"odd chunk and pad", {.oddChunkWithPad = true}},
      {"SSND before COMM", {.soundBeforeCommon = true}},
      {"AIFC", {.formType = "AIFC"}},
  };
  for (const auto& [defect, s] : refused) EXPECT_FALSE(parses(buildAiff(samples, s))) << defect;
  auto noFrames = buildAiff({});
  EXPECT_FALSE(parses(noFrames));
  auto truncated = buildAiff(samples);
  truncated.pop_back();
  EXPECT_FALSE(parses(truncated));
  auto formTooSmall = buildAiff(samples);
  formTooSmall[7] -= 2;  // the walk no longer ends exactly at the form's end
  EXPECT_FALSE(parses(formTooSmall));
  auto hugeForm = buildAiff(samples);
  hugeForm[4] = 0x80;
  EXPECT_FALSE(parses(hugeForm));
}

TEST(AuFormat, DataSizeRulesAndTheSizeThatRunsToTheEnd) {
  const auto samples = swingingSamples(500);
  AudioLayout layout;
  ASSERT_TRUE(parses(buildAu(samples, {.annotation = "sixteen letters!"}), layout));
  EXPECT_EQ(layout.type, CarrierType::kAu);
  EXPECT_EQ(layout.samplesAt, 24u + 24);
  EXPECT_EQ(layout.sampleCount, 500u);
  // Every byte after the data offset is samples.
  const AuShape toTheEnd{.sizeToTheEnd = true, .trailingBytes = 4};
  ASSERT_TRUE(parses(buildAu(samples, toTheEnd), layout));
  EXPECT_EQ(layout.sampleCount, 502u);
  ASSERT_TRUE(parses(fixture("au_unknown_size.au"), layout));
  EXPECT_EQ(layout.sampleCount, (fixture("au_unknown_size.au").size() - layout.samplesAt) / 2);

  const std::pair<const char*, AuShape> refused[] = {
      {"8-bit", {.encoding = 2}},
      {"odd data size", {.dataSizeDelta = -1}},
      {"data past the end", {.dataSizeDelta = 2}},
      {"odd size to the end", {.sizeToTheEnd = true, .trailingBytes = 3}},
  };
  for (const auto& [defect, s] : refused) EXPECT_FALSE(parses(buildAu(samples, s))) << defect;
  auto zeroSize = buildAu(samples);
  zeroSize[8] = zeroSize[9] = zeroSize[10] = zeroSize[11] = 0;
  EXPECT_FALSE(parses(zeroSize));
  auto shortOffset = buildAu(samples);
  shortOffset[7] = 20;
  EXPECT_FALSE(parses(shortOffset));
  EXPECT_FALSE(parses(std::vector<uint8_t>(shortOffset.begin(), shortOffset.begin() + 23)));
}

class SoundHandlerTest : public ::testing::Test {
 protected:
  IdentificationRecord count(const std::vector<uint8_t>& bytes, const std::string& name) {
    return trip.count(bytes, name, CarrierType::kAiff);
  }
  RoundTrip trip;
};

TEST_F(SoundHandlerTest, CountTellsTheFormatsApartAndUsesTheirOwnLevel) {
  std::vector<int16_t> samples(2000, 300);  // loud at level 3 only
  auto aiff = buildAiff(samples);
  auto au = buildAu(samples);
  auto asAiff = count(aiff, "a.au");
  auto asAu = count(au, "a.aif");
  ASSERT_FALSE(asAiff.rejected);
  ASSERT_FALSE(asAu.rejected);
  EXPECT_EQ(asAiff.type, CarrierType::kAiff);
  EXPECT_EQ(asAu.type, CarrierType::kAu);
  // N = U - 544 - ((file size AND 15) + level).
  EXPECT_EQ(asAiff.carrierBits, 2000 - 544 - ((aiff.size() & 15) + 3));
  EXPECT_EQ(asAu.carrierBits, 2000 - 544 - ((au.size() & 15) + 3));
  trip.workspace.options.setLevel(LevelFormat::kAif, 4);  // 300 is below 1024
  EXPECT_TRUE(count(aiff, "a.aif").rejected);
  EXPECT_FALSE(count(au, "a.au").rejected);
  trip.workspace.options.setLevel(LevelFormat::kAu, 4);
  EXPECT_TRUE(count(au, "a.au").rejected);
  EXPECT_TRUE(trip.reporter.shown.empty());
}

TEST_F(SoundHandlerTest, SilenceAndThinCarriersAreRefused) {
  // -256 .. 255 never qualify at level 3.
  std::vector<int16_t> quiet(3000);
  for (size_t i = 0; i < quiet.size(); ++i) quiet[i] = static_cast<int16_t>(i % 512) - 256;
  EXPECT_TRUE(count(buildAiff(quiet), "q.aif").rejected);
  EXPECT_TRUE(count(buildAu(quiet), "q.au").rejected);
  // Exactly the overhead of loud samples: no carrier bit; one more: one.
  for (int extra : {0, 1}) {
    std::vector<int16_t> samples(700, 0);
    auto probe = buildAu(samples);
    const size_t overhead = 544 + (probe.size() & 15) + 3;
    for (size_t i = 0; i < overhead + extra; ++i) samples[i] = (i % 2) ? -257 : 256;
    auto record = count(buildAu(samples), "t.au");
    EXPECT_EQ(record.rejected, extra == 0);
    if (extra == 1) {
      EXPECT_EQ(record.carrierBits, 1u);
    }
  }
}

TEST_F(SoundHandlerTest, RoundTripsChangeOnlySampleUnitBits) {
  const auto samples = swingingSamples(4000);
  // Bytes after the stereo form are copied unchanged.
  const std::pair<std::string, std::vector<uint8_t>> files[] = {
      {"b.aif", buildAiff(samples)},
      {"s.aiff", buildAiff(samples, {.channels = 2, .trailingBytes = 16})},
      {"b.au", buildAu(samples, {.annotation = "the annotation stays"})},
      {"e.snd", buildAu(samples, {.sizeToTheEnd = true})},
      {"f.aiff", fixture("aiff_mono.aiff")},
      {"m.au", fixture("au_mono.au")},
      {"u.au", fixture("au_unknown_size.au")},
  };
  for (const auto& [name, bytes] : files) {
    SCOPED_TRACE(name);
    writeAll(trip.dir.file(name), bytes);
    trip.expectRoundTrip(name, CarrierType::kAiff, 120);
    AudioLayout layout;
    ASSERT_TRUE(parses(bytes, layout));
    expectOnlyMaskedBitsDiffer(bytes, readAll(trip.dir.file("target_" + name)),
                               sampleBitMask(bytes, layout));
  }
}

TEST_F(SoundHandlerTest, BytesAppendedToATargetShiftTheLeadIn) {
  writeAll(trip.dir.file("a.aif"), buildAiff(swingingSamples(3000)));
  trip.expectRoundTrip("a.aif", CarrierType::kAiff, 100);
  auto target = readAll(trip.dir.file("target_a.aif"));
  const auto record = trip.countFile(trip.dir.file("target_a.aif"), CarrierType::kAiff);
  target.push_back(0);
  writeAll(trip.dir.file("longer.aif"), target);
  const auto longer = trip.countFile(trip.dir.file("longer.aif"), CarrierType::kAiff);
  ASSERT_FALSE(longer.rejected);
  EXPECT_NE(longer.carrierBits, record.carrierBits);
  std::vector<uint8_t> bits;
  EXPECT_FALSE(trip.extract(trip.dir.file("longer.aif"),
                            {record.type, record.carrierBits, {}, trip.dir.file("longer.aif")},
                            bits));
  EXPECT_EQ(trip.reporter.shownIds(), std::vector{MessageId::kWrongCarrierBitsNumber});
}

ConformanceFile conformanceSound(bool au, uint32_t minBits) {
  const auto samples = swingingSamples(minBits * 3 / 2 + 1000);
  ConformanceFile file{au ? buildAu(samples) : buildAiff(samples), {}};
  AudioLayout layout;
  parses(file.bytes, layout);
  file.unitBitMask = sampleBitMask(file.bytes, layout);
  return file;
}

INSTANTIATE_TEST_SUITE_P(
    Sound, CarrierConformance,
    ::testing::Values(ConformanceCarrier{"Aiff", "c.aiff", CarrierType::kAiff,
                                         [](uint32_t n) { return conformanceSound(false, n); }},
                      ConformanceCarrier{"Au", "c.au", CarrierType::kAu,
                                         [](uint32_t n) { return conformanceSound(true, n); }}),
    conformanceName);

}  // namespace
}  // namespace murl::test
