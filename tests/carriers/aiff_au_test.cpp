#include "carriers/aiff_au/aiff_au.h"

#include <gtest/gtest.h>

#include "carriers/aiff_au/audio_format.h"
#include "carriers/conformance.h"
#include "carriers/round_trip.h"
#include "support/audio_builder.h"
#include "support/wav_builder.h"

namespace murl::test {
namespace {

using audio::AudioLayout;

bool parses(const std::vector<uint8_t>& bytes, AudioLayout& layout) {
  TempDir dir;
  writeAll(dir.file("sound"), bytes);
  auto src = platform::realFileSystem().openRead(dir.file("sound"));
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

// A lead-in that depends on the file's size: bytes appended to a target (which count tolerates)
// shift it, and the carrier then fails to give back its counted bits.
TEST_F(SoundHandlerTest, BytesAppendedToATargetShiftTheLeadIn) {
  WavShape wav;
  wav.samples = soundSamples(3000, 2500, 256, 30);
  const std::pair<std::string, std::vector<uint8_t>> files[] = {
      {"a.aif", buildAiff(swingingSamples(3000))},
      {"a.au", buildAu(swingingSamples(3000), {.sizeToTheEnd = false})},
      {"a.wav", buildWav(wav)},
  };
  for (const auto& [name, bytes] : files) {
    SCOPED_TRACE(name);
    const CarrierType type = name == "a.wav" ? CarrierType::kWav : CarrierType::kAiff;
    writeAll(trip.dir.file(name), bytes);
    trip.expectRoundTrip(name, type, 100);
    auto target = readAll(trip.dir.file("target_" + name));
    const auto record = trip.countFile(trip.dir.file("target_" + name), type);
    target.push_back(0);
    writeAll(trip.dir.file("longer_" + name), target);
    const auto longer = trip.countFile(trip.dir.file("longer_" + name), type);
    ASSERT_FALSE(longer.rejected);
    EXPECT_EQ(longer.carrierBits, record.carrierBits - 1);
    std::vector<uint8_t> bits;
    EXPECT_FALSE(trip.extract(trip.dir.file("longer_" + name),
                              {record.type, record.carrierBits, {}, ""}, bits));
    EXPECT_EQ(trip.reporter.shownIds(), std::vector{MessageId::kWrongCarrierBitsNumber});
    trip.reporter.clear();
  }
}

// The big-endian samples from `at` on, loud from 256 up or from -257 down at the default level.
UnitModel soundModel(size_t at, size_t count, const std::vector<uint8_t>& bytes) {
  UnitModel model{{}, static_cast<uint32_t>(bytes.size() % 16) + 3, 1};
  for (size_t i = 0; i < count; ++i) {
    const auto sample = static_cast<int16_t>(bytes[at + 2 * i] << 8 | bytes[at + 2 * i + 1]);
    if (sample >= 256 || sample <= -257) model.unitBits.push_back(sample & 1);
  }
  return model;
}

// Sound files as the builders make them, where the test knows the samples' place.
ConformanceFile conformanceSound(bool au, const AiffShape& aiffShape, const AuShape& auShape,
                                 uint32_t minBits) {
  const auto samples = swingingSamples((minBits * 3 / 2 + 1000) / 2 * 2);
  ConformanceFile file{au ? buildAu(samples, auShape) : buildAiff(samples, aiffShape), {}, {}};
  AudioLayout layout;
  parses(file.bytes, layout);
  file.unitBitMask = sampleBitMask(file.bytes, layout);
  // Samples that run to the end of the file leave a carrier at any even length past the header.
  file.cutBelow = au && auShape.sizeToTheEnd
                      ? layout.samplesAt
                      : file.bytes.size() - (au ? auShape.trailingBytes : aiffShape.trailingBytes);
  const size_t at = au ? 24 + (auShape.annotation.size() + 7) / 8 * 8
                       : file.bytes.size() - aiffShape.trailingBytes - 2 * samples.size();
  file.model = [at, count = samples.size()](const std::vector<uint8_t>& bytes) {
    return soundModel(at, count, bytes);
  };
  return file;
}

// The files of sox: the samples after an AU's data offset, or after an AIFF's SSND header.
ConformanceFile soxFile(const std::string& name) {
  ConformanceFile file = fixtureFile(name);
  AudioLayout layout;
  parses(file.bytes, layout);
  file.unitBitMask = sampleBitMask(file.bytes, layout);
  const auto& b = file.bytes;
  size_t at = 0;
  if (name.ends_with(".au")) {
    at = size_t{b[6]} << 8 | b[7];
    if (name == "au_unknown_size.au") file.cutBelow = at;
  } else {
    const std::string ssnd = "SSND";
    at = std::search(b.begin(), b.end(), ssnd.begin(), ssnd.end()) - b.begin() + 16;
  }
  file.model = [at, count = (b.size() - at) / 2](const std::vector<uint8_t>& bytes) {
    return soundModel(at, count, bytes);
  };
  return file;
}

ConformanceCarrier built(const char* name, const char* file, bool au, AiffShape aiff = {},
                         AuShape auShape = {}) {
  return {name, file, au ? CarrierType::kAu : CarrierType::kAiff,
          [=](uint32_t n) { return conformanceSound(au, aiff, auShape, n); }};
}

ConformanceCarrier sox(const char* name, const char* file, CarrierType type) {
  return {name, file, type, [file](uint32_t) { return soxFile(file); }};
}

INSTANTIATE_TEST_SUITE_P(
    Sound, CarrierConformance,
    ::testing::Values(built("Aiff", "c.aiff", false),
                      built("AiffStereoWithBytesAfter", "s.aif", false,
                            {.channels = 2, .trailingBytes = 16}),
                      built("Au", "c.au", true, {}, {.annotation = "the annotation stays"}),
                      built("AuToTheEnd", "e.snd", true, {}, {.sizeToTheEnd = true}),
                      sox("SoxAiffMono", "aiff_mono.aiff", CarrierType::kAiff),
                      sox("SoxAiffStereo", "aiff_stereo.aiff", CarrierType::kAiff),
                      sox("SoxAuMono", "au_mono.au", CarrierType::kAu),
                      sox("SoxAuUnknownSize", "au_unknown_size.au", CarrierType::kAu)),
    conformanceName);

}  // namespace
}  // namespace murl::test
