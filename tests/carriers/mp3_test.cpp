#include "carriers/mp3/mp3.h"

#include <gtest/gtest.h>

#include "carriers/conformance.h"
#include "carriers/mp3/mp3_frame.h"
#include "support/mp3_builder.h"

namespace murl::test {
namespace {

// MPEG-1 frames of 960 bytes whose main data starts right after the 36-byte prefix and takes
// `mainBytes` bytes; every later byte of the frame is free.
Mp3FrameLayout frameWithMain(uint32_t mainBytes) {
  Mp3FrameLayout frame = mpeg1At320k();
  const uint32_t bits = mainBytes * 8;
  frame.partLengths = {bits / 4, bits / 4, bits / 4, bits - 3 * (bits / 4)};
  return frame;
}

constexpr uint32_t kFrameLength = 960;
constexpr uint32_t kPrefix = 36;

// Seven frames of 600 main data bytes, the last filled to its end, so a file cut inside any
// frame's main data or anywhere in the last frame is no carrier. The lead-in byte is byte 0.
ConformanceFile makeMp3Carrier(uint32_t minBits) {
  Mp3Shape shape;
  shape.lead = mp3LeadPointingAtItself(0x3C);
  const uint32_t freeBytes = kFrameLength - kPrefix - 600;
  const uint32_t carrying = ((minBits + 544) * 4 + 16 + freeBytes * 8 - 1) / (freeBytes * 8);
  shape.frames.assign(carrying, frameWithMain(600));
  shape.frames.push_back(frameWithMain(kFrameLength - kPrefix));
  const Mp3File file = buildMp3(shape);
  ConformanceFile carrier{file.bytes, std::vector<uint8_t>(file.bytes.size(), 0), {}, 0};
  std::vector<size_t> freeStarts;
  for (uint32_t f = 0; f < carrying; ++f) {
    freeStarts.push_back(file.frameStarts[f] + kPrefix + 600);
    std::fill_n(carrier.unitBitMask.begin() + static_cast<std::ptrdiff_t>(freeStarts.back()),
                freeBytes, 0xFF);
  }
  // Every bit after each carrying frame's main data, most significant first; S from byte 0 at
  // level 3, every fourth unit used.
  carrier.model = [freeStarts, freeBytes](const std::vector<uint8_t>& bytes) {
    UnitModel model;
    for (size_t start : freeStarts) {
      for (size_t i = start; i < start + freeBytes; ++i) {
        for (int bit = 7; bit >= 0; --bit) model.unitBits.push_back((bytes[i] >> bit) & 1);
      }
    }
    model.leadIn = ((bytes[0] & 0x3C) + 3) / 4;
    model.spacing = 4;
    return model;
  };
  return carrier;
}

INSTANTIATE_TEST_SUITE_P(Mp3, CarrierConformance,
                         ::testing::Values(ConformanceCarrier{"Mp3", "song.mp3", CarrierType::kMp3,
                                                              makeMp3Carrier}),
                         conformanceName);

class Mp3Test : public ::testing::Test {
 protected:
  uint32_t bitsOf(const std::vector<uint8_t>& bytes) {
    const IdentificationRecord record = trip.count(bytes, "count.mp3", CarrierType::kMp3);
    return record.rejected ? 0 : record.carrierBits;
  }
  void setLevel(uint8_t level) { trip.workspace.options.setLevel(LevelFormat::kMp3, level); }

  // Hides the stream's first bits into `bytes` written as `name`; the target is "out_" + name.
  std::vector<uint8_t> hide(const std::vector<uint8_t>& bytes, const std::string& name,
                            CarrierEntry& entry) {
    const IdentificationRecord record = trip.count(bytes, name, CarrierType::kMp3);
    EXPECT_FALSE(record.rejected) << name;
    entry = {CarrierType::kMp3, record.carrierBits, {}, trip.dir.file(name)};
    trip.randomStream(record.carrierBits / 8 + 1, 5);
    double percentage = -1;
    EXPECT_TRUE(trip.hide(entry.path, "out_" + name, entry,
                          {0, record.carrierBits, record.carrierBits}, percentage));
    entry.path = trip.dir.file("out_" + name);
    return readAll(entry.path);
  }

  RoundTrip trip;
};

// Three frames with 100 bytes of main data: two carry 824 free bytes each.
Mp3Shape threeFrames(uint8_t leadInByte) {
  Mp3Shape shape;
  shape.lead = mp3LeadPointingAtItself(leadInByte);
  shape.frames.assign(3, frameWithMain(100));
  return shape;
}
constexpr uint32_t kFreeBitsPerFrame = 824 * 8;

TEST_F(Mp3Test, CarrierBitsAreSpacedUnitsAfterTheLeadInLessTheTrailer) {
  for (uint8_t level = 0; level <= 6; ++level) {
    setLevel(level);
    const uint32_t leadIn = (0x3C + level) / 4;
    const uint32_t units = 2 * kFreeBitsPerFrame;
    const uint32_t used = (units - leadIn + level) / (level + 1u);
    EXPECT_EQ(bitsOf(buildMp3(threeFrames(0xFF)).bytes), used - 544) << int{level};
  }
  // The lead-in byte's bits outside 0x3C do not count.
  setLevel(3);
  EXPECT_EQ(bitsOf(buildMp3(threeFrames(0xC3)).bytes), (2 * kFreeBitsPerFrame + 3) / 4 - 544);
}

// 128 kbit/s at 44100 Hz: 417 bytes, 418 padded; the walk finds each next header only with the
// right length.
TEST_F(Mp3Test, PaddedAndUnpaddedFramesFollowEachOther) {
  Mp3Shape shape = threeFrames(0xFF);
  shape.frames.clear();
  for (bool padding : {false, true, false, true}) {
    shape.frames.push_back(mpeg1At128k(padding));
    shape.frames.back().partLengths = {200, 200, 200, 200};
  }
  const uint32_t units = (281 + 282 + 281) * 8;
  EXPECT_EQ(bitsOf(buildMp3(shape).bytes), (units - 15 + 3) / 4 - 544);
}

TEST_F(Mp3Test, LastFrameNeverCarriesAndATrailingTagEndsTheWalk) {
  Mp3Shape shape = threeFrames(0);
  const uint32_t bits = bitsOf(buildMp3(shape).bytes);
  ASSERT_GT(bits, 0u);
  shape.trail = {'T', 'A', 'G'};
  shape.trail.resize(128, 'x');
  EXPECT_EQ(bitsOf(buildMp3(shape).bytes), bits);
  shape.frames.push_back(frameWithMain(100));
  EXPECT_EQ(bitsOf(buildMp3(shape).bytes), bits + kFreeBitsPerFrame / 4);
  // Fewer than four bytes after the last frame: no header to read, the walk ends.
  shape.trail = {0xFF, 0xFB, 0x90};
  EXPECT_EQ(bitsOf(buildMp3(shape).bytes), bits + kFreeBitsPerFrame / 4);
}

TEST_F(Mp3Test, RefusedFiles) {
  auto withFrames = [](std::vector<Mp3FrameLayout> frames) {
    Mp3Shape shape = threeFrames(0);
    shape.frames = std::move(frames);
    return buildMp3(shape).bytes;
  };
  Mp3FrameLayout layer1 = frameWithMain(100);
  layer1.layerBits = 3;
  Mp3FrameLayout layer2 = frameWithMain(100);
  layer2.layerBits = 2;
  Mp3FrameLayout freeFormat = frameWithMain(100);
  freeFormat.bitrateIndex = 0;
  Mp3FrameLayout reservoirFirst = frameWithMain(100);
  reservoirFirst.mainDataBegin = 4;
  const Mp3FrameLayout full = frameWithMain(kFrameLength - kPrefix);
  const Mp3FrameLayout good = frameWithMain(100);
  Mp3FrameLayout badSecond = good;
  badSecond.rateIndex = 3;

  auto atSize = buildMp3(threeFrames(0)).bytes;  // P = the file's size: no byte to read there
  const auto size = static_cast<uint32_t>(atSize.size());
  for (int i = 0; i < 4; ++i) atSize[2 + i] = static_cast<uint8_t>(size >> (8 * i));

  const std::pair<const char*, std::vector<uint8_t>> rows[] = {
      {"LayerOne", withFrames({layer1, layer1, layer1})},
      {"LayerTwo", withFrames({layer2, layer2, layer2})},
      {"FreeFormat", withFrames({freeFormat, freeFormat, freeFormat})},
      {"FirstFrameWithReservoir", withFrames({reservoirFirst, good, good})},
      {"MainDataFillsEveryFrame", withFrames({full, full, full, full})},
      {"SecondFrameFailsItsChecks", withFrames({good, badSecond, good})},
      {"LeadInPositionAtTheSize", atSize},
      {"NoFrame", std::vector<uint8_t>(5000, 0x11)},
      {"LayerTwoByAnotherEncoder", readAll(std::string(MURL_TEST_DATA_DIR) + "/mp3_layer2.mp3")},
  };
  for (const auto& [name, bytes] : rows) {
    EXPECT_EQ(bitsOf(bytes), 0u) << name;
    EXPECT_TRUE(trip.reporter.shown.empty()) << name;
  }
}

TEST_F(Mp3Test, LeadInByteIsNeverInAStretch) {
  const Mp3File plain = buildMp3(threeFrames(0));
  const uint32_t bits = bitsOf(plain.bytes);
  // P inside the first frame's free bytes: that frame carries nothing.
  auto pointed = plain.bytes;
  const auto p = static_cast<uint32_t>(plain.frameStarts[0] + 500);
  for (int i = 0; i < 4; ++i) pointed[2 + i] = static_cast<uint8_t>(p >> (8 * i));
  pointed[p] = 0;
  EXPECT_EQ(bitsOf(pointed), bits - kFreeBitsPerFrame / 4);
  CarrierEntry entry;
  const auto target = hide(pointed, "pointed.mp3", entry);
  EXPECT_EQ(target[p], pointed[p]);
  for (size_t i = plain.frameStarts[0]; i < plain.frameStarts[1]; ++i) {
    ASSERT_EQ(target[i], pointed[i]) << i;
  }
}

// Level 0 and 3, lead-in byte 0x08 (S = 2): the data bits sit in the stretch bits in order, most
// significant first, starting at bit 3 of the byte after the first 100 bytes of main data (803
// bits), each inverted; everything else keeps its bytes.
TEST_F(Mp3Test, GoldenTargetHoldsTheInvertedStreamBitsInStretchOrder) {
  for (uint8_t level : {0, 3}) {
    setLevel(level);
    Mp3Shape shape = threeFrames(0x08);
    for (auto& frame : shape.frames) frame.partLengths = {803, 0, 0, 0};
    shape.fill = 0;
    const Mp3File file = buildMp3(shape);
    CarrierEntry entry;
    const auto target = hide(file.bytes, "golden.mp3", entry);
    ASSERT_EQ(target.size(), file.bytes.size());
    std::vector<std::pair<size_t, uint32_t>> units;  // (byte, bit from the most significant)
    for (int f = 0; f < 2; ++f) {
      const size_t last = file.frameStarts[f] + kPrefix + 100;
      for (uint32_t bit = 3; bit < 8; ++bit) units.emplace_back(last, bit);
      for (size_t byte = last + 1; byte < file.frameStarts[f + 1]; ++byte) {
        for (uint32_t bit = 0; bit < 8; ++bit) units.emplace_back(byte, bit);
      }
    }
    auto unitBit = [&](const std::vector<uint8_t>& bytes, size_t u) {
      return (bytes[units[u].first] >> (7 - units[u].second)) & 1;
    };
    const uint32_t leadIn = (0x08 + level) / 4;
    EXPECT_EQ(unitBit(target, 0), 0);
    EXPECT_EQ(unitBit(target, 1), 0);
    for (uint32_t k = 0; k < entry.carrierBits; ++k) {
      const size_t u = leadIn + size_t{k} * (level + 1u);
      ASSERT_EQ(unitBit(target, u), 1 - bitAt(trip.streamBytes.data(), k))
          << int{level} << " " << k;
      for (uint32_t skipped = 1; skipped <= level; ++skipped)
        ASSERT_EQ(unitBit(target, u + skipped), 0);
    }
    // Outside the stretches nothing changed.
    std::vector<uint8_t> outside = target;
    for (const auto& unit : units)
      outside[unit.first] &= static_cast<uint8_t>(~(0x80 >> unit.second));
    EXPECT_EQ(outside, file.bytes);
  }
}

TEST_F(Mp3Test, ExtractNeedsTheLevelAndTheBitsItWasHiddenWith) {
  const auto bytes = buildMp3(threeFrames(0x3C)).bytes;
  CarrierEntry entry;
  hide(bytes, "level.mp3", entry);
  std::vector<uint8_t> bits;
  ASSERT_TRUE(trip.extract(entry.path, entry, bits));
  for (uint32_t k = 0; k < entry.carrierBits; ++k) {
    ASSERT_EQ(bitAt(bits.data(), k), bitAt(trip.streamBytes.data(), k)) << k;
  }
  CarrierEntry oneMore = entry;
  ++oneMore.carrierBits;
  EXPECT_FALSE(trip.extract(entry.path, oneMore, bits));
  EXPECT_EQ(trip.reporter.shownIds(), std::vector<MessageId>{MessageId::kWrongCarrierBitsNumber});
  trip.reporter.clear();
  // Another level moves the lead-in and the spacing.
  setLevel(4);
  const bool extracted = trip.extract(entry.path, entry, bits);
  bool same = extracted;
  for (uint32_t k = 0; same && k < entry.carrierBits; ++k) {
    same = bitAt(bits.data(), k) == bitAt(trip.streamBytes.data(), k);
  }
  EXPECT_FALSE(same);
}

// A tag whose body holds 0xFF 0xFE (a UTF-16 byte order mark) makes the first sync a false one.
std::vector<uint8_t> tagWithFalseSync(bool footer, uint8_t sizeByte = 0x07) {
  std::vector<uint8_t> body = {'T', 'I', 'T', '2', 0, 0, 0, 9, 0, 0, 1, 0xFF, 0xFE, 'A', 0};
  auto tag = id3v2Tag(body, 1000, footer);
  tag[9] = static_cast<uint8_t>(tag[9] & 0x7F);
  tag[8] = sizeByte;  // 1000 = 7 x 128 + 104
  return tag;
}

TEST_F(Mp3Test, AnId3v2TagWithAFalseSyncIsSkipped) {
  Mp3Shape shape = threeFrames(0);
  shape.lead = tagWithFalseSync(false);
  // P = 0x0333 from "3", version 3 and zero flags: a zero byte of the tag, S = 0 at level 3.
  const uint32_t expected = (2 * kFreeBitsPerFrame + 3) / 4 - 544;
  EXPECT_EQ(bitsOf(buildMp3(shape).bytes), expected);
  // With a footer the tag is 10 bytes longer.
  shape.lead = tagWithFalseSync(true);
  EXPECT_GT(bitsOf(buildMp3(shape).bytes), 0u);
  // A size byte of 0x80 or more is no ID3v2 tag: the false sync stands and the file is refused.
  shape.lead = tagWithFalseSync(false, 0x87);
  EXPECT_EQ(bitsOf(buildMp3(shape).bytes), 0u);
  // A round trip leaves the tag as it was.
  shape.lead = tagWithFalseSync(false);
  const auto bytes = buildMp3(shape).bytes;
  CarrierEntry entry;
  const auto target = hide(bytes, "tagged.mp3", entry);
  EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + 1010, target.begin()));
  std::vector<uint8_t> bits;
  ASSERT_TRUE(trip.extract(entry.path, entry, bits));
  for (uint32_t k = 0; k < entry.carrierBits; ++k) {
    ASSERT_EQ(bitAt(bits.data(), k), bitAt(trip.streamBytes.data(), k)) << k;
  }
}

// Walks the frames by their headers from the first sync past any ID3v2 tag: no header, CRC or
// side information changed.
void expectPrefixesUnchanged(const std::vector<uint8_t>& source, const std::vector<uint8_t>& target,
                             const std::string& name) {
  size_t at = 0;
  if (source[0] == 'I' && source[1] == 'D' && source[2] == '3') {
    at = 10 +
         (size_t{source[6]} << 21 | size_t{source[7]} << 14 | size_t{source[8]} << 7 | source[9]);
  }
  while (at + 1 < source.size() && !(source[at] == 0xFF && (source[at + 1] & 0xE0) == 0xE0)) ++at;
  size_t frames = 0;
  mp3::FrameHeader header;
  for (; at + 4 <= source.size() && mp3::parseHeader(source.data() + at, header); ++frames) {
    for (size_t i = at; i < std::min(at + header.prefix, source.size()); ++i) {
      ASSERT_EQ(target[i], source[i]) << name << " byte " << i;
    }
    at += header.length;
  }
  EXPECT_GT(frames, 10u) << name;
}

// Files of another encoder (tests/data/README.md): every kind round-trips at two levels, tags
// and frame headers untouched.
TEST_F(Mp3Test, FilesOfAnotherEncoderRoundTrip) {
  const char* names[] = {"mp3_mpeg1_cbr128_crc_stereo.mp3", "mp3_mpeg2_cbr128_mono.mp3",
                         "mp3_mpeg25_cbr32_joint.mp3", "mp3_mpeg1_vbr_xing_joint.mp3",
                         "mp3_id3v2_picture_id3v1.mp3"};
  for (uint8_t level : {0, 3}) {
    setLevel(level);
    for (const char* name : names) {
      const auto bytes = readAll(std::string(MURL_TEST_DATA_DIR) + "/" + name);
      writeAll(trip.dir.file(name), bytes);
      trip.expectRoundTrip(name, CarrierType::kMp3, 200);
      const auto target = readAll(trip.dir.file(std::string("target_") + name));
      ASSERT_EQ(target.size(), bytes.size()) << name;
      expectPrefixesUnchanged(bytes, target, name);
    }
  }
  const auto tagged = readAll(std::string(MURL_TEST_DATA_DIR) + "/mp3_id3v2_picture_id3v1.mp3");
  const auto target = readAll(trip.dir.file("target_mp3_id3v2_picture_id3v1.mp3"));
  EXPECT_TRUE(std::equal(tagged.begin(), tagged.begin() + 1122, target.begin()));
  EXPECT_TRUE(std::equal(tagged.end() - 128, tagged.end(), target.end() - 128));
}

}  // namespace
}  // namespace murl::test

namespace murl::test {
namespace {

// Over 5 MB of frames whose main data begins 100 bytes back in the previous frame and runs over
// their own prefix: stretches are read and written behind the frame being parsed, across the
// refills of the 4 MiB window, and hide's chunks of stream bits turn over twice.
TEST_F(Mp3Test, LargeFileWithReservoirRoundTripsAcrossWindowRefills) {
  Mp3Shape shape;
  shape.lead = mp3LeadPointingAtItself(0x14);
  shape.frames.assign(5600, frameWithMain(300));
  for (size_t f = 1; f < shape.frames.size(); ++f) shape.frames[f].mainDataBegin = 100;
  const Mp3File file = buildMp3(shape);
  ASSERT_GT(file.bytes.size(), size_t{5} << 20);
  // Frame 0's main data ends at byte 335 of the frame; the others' 100 + 36 bytes further on.
  std::vector<uint8_t> mask(file.bytes.size(), 0);
  for (size_t f = 0; f + 1 < file.frameStarts.size(); ++f) {
    const size_t from = file.frameStarts[f] + (f == 0 ? kPrefix + 300 : 300 - 100 + kPrefix);
    std::fill(mask.begin() + static_cast<std::ptrdiff_t>(from),
              mask.begin() + static_cast<std::ptrdiff_t>(file.frameStarts[f + 1] - 100), 0xFF);
  }
  CarrierEntry entry;
  const auto target = hide(file.bytes, "large.mp3", entry);
  EXPECT_GT(entry.carrierBits, kChunkBits);
  expectOnlyMaskedBitsDiffer(file.bytes, target, mask);
  std::vector<uint8_t> bits;
  ASSERT_TRUE(trip.extract(entry.path, entry, bits));
  ASSERT_EQ(bits.size(), (entry.carrierBits + 7) / 8);
  EXPECT_TRUE(std::equal(bits.begin(), bits.end() - 1, trip.streamBytes.begin()));
}

}  // namespace
}  // namespace murl::test

namespace murl::test {
namespace {

// Five megabytes before the first frame and after the last: both reach the target unchanged
// around the rewritten stretches.
TEST_F(Mp3Test, LongHeadAndTailAreCopied) {
  Mp3Shape shape = threeFrames(0x3C);
  shape.lead.resize(5 << 20, 0x11);
  shape.trail.assign(5 << 20, 0x22);
  const Mp3File file = buildMp3(shape);
  std::vector<uint8_t> mask(file.bytes.size(), 0);
  for (size_t f = 0; f < 2; ++f) {
    std::fill_n(mask.begin() + static_cast<std::ptrdiff_t>(file.frameStarts[f] + kPrefix + 100),
                kFreeBitsPerFrame / 8, 0xFF);
  }
  CarrierEntry entry;
  const auto target = hide(file.bytes, "long.mp3", entry);
  EXPECT_EQ(entry.carrierBits, (2 * kFreeBitsPerFrame - 15 + 3) / 4 - 544);
  expectOnlyMaskedBitsDiffer(file.bytes, target, mask);
  EXPECT_NE(target, file.bytes);
}

}  // namespace
}  // namespace murl::test
