// The MP3 carrier; the unit model reads the free bits after each frame's main data.
#include "carriers/mp3/mp3.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "carriers/conformance.h"
#include "carriers/mp3/mp3_frame.h"
#include "carriers/mp3/reservoir.h"
#include "platform/byte_order.h"
#include "support/data_lines.h"
#include "support/mp3_builder.h"

namespace murl::test {
namespace {

constexpr uint32_t kFrameLength = 960;
constexpr uint32_t kPrefix = 36;

// MPEG-1 frames of 960 bytes whose main data starts right after the 36-byte prefix and takes
// `mainBits` bits; every later bit of the frame is free.
Mp3FrameLayout frameWithMain(uint32_t mainBits) {
  Mp3FrameLayout frame = mpeg1At320k();
  frame.partLengths = {mainBits / 4, mainBits / 4, mainBits / 4, mainBits - 3 * (mainBits / 4)};
  return frame;
}

// tests/data/mp3_headers.txt: the header's bytes, then its length and prefix or "refused".
TEST(Mp3Header, LengthsPrefixesAndRefusals) {
  const auto rows = dataLines("mp3_headers.txt");
  ASSERT_EQ(rows.size(), 15u);
  for (const auto& row : rows) {
    mp3::FrameHeader header;
    const bool accepted = row[1] != "refused";
    EXPECT_EQ(mp3::parseHeader(fromHex(row[0]).data(), header), accepted) << row.back();
    if (!accepted) continue;
    EXPECT_EQ(header.length, std::stoul(row[1])) << row.back();
    EXPECT_EQ(header.prefix, std::stoul(row[2])) << row.back();
  }
}

TEST(Mp3Header, SideInformationGivesMainDataBeginAndLength) {
  struct Row {
    Mp3FrameLayout frame;
    uint32_t mainDataBegin;
    std::vector<uint32_t> parts;
  };
  auto with = [](Mp3FrameLayout f, bool crc, bool mono) {
    f.crc = crc;
    f.mono = mono;
    return f;
  };
  const Row rows[] = {
      {with(mpeg1At320k(), false, false), 511, {4095, 1, 2, 3}},
      {with(mpeg1At320k(), true, true), 7, {10, 20}},
      {with(mpeg2At8k(), false, true), 255, {100}},
      {with(mpeg25At64k(), true, false), 1, {1, 4094}},
  };
  for (const Row& row : rows) {
    Mp3Shape shape;
    shape.frames = {row.frame};
    shape.frames[0].mainDataBegin = row.mainDataBegin;
    shape.frames[0].partLengths = row.parts;
    const auto file = buildMp3(shape);
    mp3::FrameHeader header;
    ASSERT_TRUE(mp3::parseHeader(file.bytes.data(), header));
    const mp3::SideInfo side = mp3::parseSideInfo(file.bytes.data(), header);
    uint32_t sum = 0;
    for (uint32_t part : row.parts) sum += part;
    EXPECT_EQ(side.mainDataBegin, row.mainDataBegin);
    EXPECT_EQ(side.mainBits, sum);
  }
}

TEST(Mp3Header, MainDataEndByte) {
  // B = 0 ends at D; 1 to 8 bits at D + 1; beyond, at the byte of the last bit.
  const std::pair<uint32_t, int64_t> rows[] = {{0, 100},   {1, 101},  {7, 101},  {8, 101},
                                               {9, 101},   {16, 101}, {17, 102}, {24, 102},
                                               {800, 199}, {803, 200}};
  for (const auto& [bits, end] : rows) EXPECT_EQ(mp3::mainDataEnd(100, bits), end) << bits;
}

// The numbers of a field such as "136:0:5+823*8": each a sum of products.
std::vector<uint64_t> numbers(const std::string& field) {
  std::vector<uint64_t> out;
  std::istringstream parts(field);
  for (std::string part; std::getline(parts, part, ':');) {
    std::istringstream terms(part);
    out.push_back(0);
    for (std::string term; std::getline(terms, term, '+');) {
      std::istringstream factors(term);
      uint64_t product = 1;
      for (std::string factor; std::getline(factors, factor, '*');) product *= std::stoull(factor);
      out.back() += product;
    }
  }
  return out;
}

// tests/data/mp3_reservoir.txt: frames of 960 bytes, the stretches after each but the last.
TEST(Mp3Reservoir, FreeStretchesAndRefusals) {
  const auto rows = dataLines("mp3_reservoir.txt");
  ASSERT_EQ(rows.size(), 16u);
  for (const auto& row : rows) {
    SCOPED_TRACE(row[0]);
    const bool refused = row.back() == "refused";
    const auto frames = row.begin() + 2, framesEnd = std::find(frames, row.end(), "->");
    auto expected = framesEnd;  // the stretch last compared
    mp3::Reservoir reservoir(10000, numbers(row[1])[0]);
    bool placed = true;
    for (auto field = frames; placed && field != framesEnd && *field != "refused"; ++field) {
      const std::vector<uint64_t> f = numbers(*field);
      const mp3::FrameFacts frame{int64_t(f[0]) * 960, 36, 960, uint32_t(f[1]), uint32_t(f[2])};
      mp3::FreeStretch stretch;
      placed = field == frames ? reservoir.first(frame) : reservoir.next(frame, stretch);
      if (!placed || field == frames || refused) continue;
      ASSERT_NE(++expected, row.end()) << "a stretch more than expected";
      const auto s = *expected == "-" ? std::vector<uint64_t>(3, 0) : numbers(*expected);
      EXPECT_EQ(stretch.bits, s[2]) << *field;
      if (s[2] == 0) continue;
      EXPECT_EQ(stretch.firstByte, int64_t(s[0])) << *field;
      EXPECT_EQ(stretch.firstBit, s[1]) << *field;
    }
    EXPECT_EQ(placed, !refused);
    EXPECT_TRUE(refused || expected + 1 == row.end()) << "stretches missing";
  }
}

// Three frames with 100 bytes of main data: the first two carry 824 free bytes each.
Mp3Shape threeFrames(uint8_t leadInByte) {
  Mp3Shape shape;
  shape.lead = mp3LeadPointingAtItself(leadInByte);
  shape.frames.assign(3, frameWithMain(800));
  return shape;
}
constexpr uint32_t kFreeBits = 824 * 8;

// A tag whose body holds 0xFF 0xFE (a UTF-16 byte order mark) makes the first sync a false one.
Bytes tagWithFalseSync(bool footer, uint8_t sizeByte = 0x07) {
  const Bytes body = {'T', 'I', 'T', '2', 0, 0, 0, 9, 0, 0, 1, 0xFF, 0xFE, 'A', 0};
  Bytes tag = id3v2Tag(body, 1000, footer);
  tag[8] = sizeByte;  // 1000 = 7 x 128 + 104
  return tag;
}

TEST(Mp3Count, FreeBitsOfEveryFrameButTheLastAfterTheLeadIn) {
  const auto changed = [](auto change) {
    Mp3Shape shape = threeFrames(0);
    change(shape);
    return buildMp3(shape).bytes;
  };
  const Mp3File plain = buildMp3(threeFrames(0));
  // The lead-in byte inside the first frame's free bytes: that frame carries nothing.
  Bytes pointed = plain.bytes;
  const auto p = static_cast<uint32_t>(plain.frameStarts[0] + 500);
  storeLe32(&pointed[2], p);
  pointed[p] = 0;
  // P = 0x0333 from "3", version 3 and zero flags: a zero byte of the tag, S = 0 at level 3.
  const auto tagged = [](Bytes tag) { return [tag](Mp3Shape& s) { s.lead = tag; }; };
  const uint32_t twoFrames = (2 * kFreeBits + 3) / 4 - 544;
  const std::tuple<const char*, Bytes, uint32_t> rows[] = {
      {"three frames", plain.bytes, twoFrames},
      {"lead-in byte's bits outside 0x3C", buildMp3(threeFrames(0xC3)).bytes, twoFrames},
      {"lead-in byte 0xFF", buildMp3(threeFrames(0xFF)).bytes, (2 * kFreeBits - 15 + 3) / 4 - 544},
      {"an ID3v1 tag after the last frame", changed([](Mp3Shape& s) {
         s.trail = {'T', 'A', 'G'};
         s.trail.resize(128, 'x');
       }),
       twoFrames},
      // The sync search reads 64 KiB at a time: this sync's 0xFF ends the first piece.
      {"the first frame at byte 65535", changed([](Mp3Shape& s) { s.lead.resize(65535, 0x11); }),
       twoFrames},
      {"three bytes after the last frame", changed([](Mp3Shape& s) {
         s.trail = {0xFF, 0xFB, 0x90};
       }),
       twoFrames},
      {"the lead-in byte in a stretch", pointed, (kFreeBits + 3) / 4 - 544},
      {"an ID3v2 size byte of 0x80 or more", changed(tagged(tagWithFalseSync(false, 0x87))), 0},
      // 128 kbit/s at 44100 Hz: 417 bytes, 418 padded, 200 bytes of main data each.
      {"padded and unpadded frames", changed([](Mp3Shape& s) {
         s.frames.clear();
         for (bool padding : {false, true, false, true}) {
           s.frames.push_back(mpeg1At128k(padding));
           s.frames.back().partLengths = {400, 400, 400, 400};
         }
       }),
       (8 * (181 + 182 + 181) + 3) / 4 - 544},
  };
  RoundTrip trip;
  for (const auto& [what, bytes, bits] : rows) {
    EXPECT_EQ(trip.bitsOf(bytes, CarrierType::kMp3), bits) << what;
  }
  // With a footer the tag is 10 bytes longer: a sync among the footer's bytes is no frame's.
  const Bytes footed = tagWithFalseSync(true);
  Bytes syncInFooter = footed;
  syncInFooter[footed.size() - 7] = 0xFF;  // the footer's version bytes
  syncInFooter[footed.size() - 6] = 0xFB;
  const uint32_t withFooter = trip.bitsOf(changed(tagged(footed)), CarrierType::kMp3);
  EXPECT_GT(withFooter, 0u);
  EXPECT_EQ(trip.bitsOf(changed(tagged(syncInFooter)), CarrierType::kMp3), withFooter);
}

TEST(Mp3Count, RefusedFiles) {
  auto withFrames = [](std::vector<Mp3FrameLayout> frames) {
    Mp3Shape shape = threeFrames(0);
    shape.frames = std::move(frames);
    return buildMp3(shape).bytes;
  };
  const Mp3FrameLayout good = frameWithMain(800), full = frameWithMain(8 * (960 - 36));
  Mp3FrameLayout reservoir = good, bad = good;
  reservoir.mainDataBegin = 4;
  bad.rateIndex = 3;
  Bytes atSize = buildMp3(threeFrames(0)).bytes;  // P = the file's size: no byte to read there
  storeLe32(&atSize[2], static_cast<uint32_t>(atSize.size()));
  RoundTrip trip;
  trip.expectNoCarriers(CarrierType::kMp3,
                        {{"first frame with a reservoir", withFrames({reservoir, good, good})},
                         {"main data fills every frame", withFrames({full, full, full, full})},
                         {"second frame fails its checks", withFrames({good, bad, good})},
                         {"lead-in position at the size", atSize},
                         {"no frame", Bytes(5000, 0x11)},
                         {"Layer II of another encoder", readFixture("mp3_layer2.mp3")}});
}

// Five megabytes before the first frame and after the last, and over 5 MB of frames whose main
// data begins 100 bytes back in the previous frame and runs over their own prefix: stretches are
// read and written behind the frame being parsed, across the refills of the 4 MiB window, and
// hide's chunks of stream bits turn over twice.
TEST(Mp3Hide, LargeFileWithReservoirLongHeadAndTail) {
  Mp3Shape shape;
  shape.lead = mp3LeadPointingAtItself(0x14);
  shape.lead.resize(5 << 20, 0x11);
  shape.trail.assign(5 << 20, 0x22);
  shape.frames.assign(5600, frameWithMain(2400));
  for (size_t f = 1; f < shape.frames.size(); ++f) shape.frames[f].mainDataBegin = 100;
  const Mp3File file = buildMp3(shape);
  // Frame 0's main data ends at byte 335 of the frame; the others' 100 + 36 bytes further on.
  Bytes mask(file.bytes.size(), 0);
  for (size_t f = 0; f + 1 < file.frameStarts.size(); ++f) {
    const size_t from = file.frameStarts[f] + (f == 0 ? kPrefix + 300 : 300 - 100 + kPrefix);
    std::fill(mask.begin() + from, mask.begin() + file.frameStarts[f + 1] - 100, 0xFF);
  }
  RoundTrip trip;
  const IdentificationRecord record = trip.count(file.bytes, "large.mp3", CarrierType::kMp3);
  const uint32_t n = record.carrierBits;
  ASSERT_GT(n, kChunkBits);
  trip.randomStream(n / 8 + 1, n);
  trip.expectBitsBack({CarrierType::kMp3, n, {}, trip.dir.file("large.mp3")}, "t.mp3", {0, n, n});
  expectOnlyMaskedBitsDiffer(file.bytes, readAll(trip.dir.file("t.mp3")), mask);
}

// Every bit after each carrying frame's main data, most significant first, from the byte and
// bit where it ends; the lead-in from the byte at the position the file's bytes 2 to 5 give,
// halved until it lies within the file; every (L + 1)-th unit used.
ModelOf mp3Model(std::vector<std::pair<size_t, uint32_t>> firstFree, uint32_t freeBits,
                 uint8_t level) {
  return [=](const Bytes& bytes) {
    UnitModel model;
    for (const auto& [byte, bit] : firstFree) {
      for (uint64_t i = bit; i < bit + freeBits; ++i) {
        model.unitBits.push_back((bytes[byte + i / 8] >> (7 - i % 8)) & 1);
      }
    }
    uint64_t p = loadLe32(&bytes[2]);
    while (p > bytes.size()) p >>= 1;
    model.leadIn = ((bytes[p] & 0x3C) + level) / 4;
    model.spacing = level + 1;
    return model;
  };
}

// Frames of `mainBits` bits of main data behind `lead`, the last one filled to its end.
ConformanceCarrier built(const char* name, uint8_t level, uint32_t mainBits, Bytes lead) {
  return {name,
          std::string(name) + ".mp3",
          CarrierType::kMp3,
          [=](uint32_t minBits) {
            Mp3Shape shape;
            shape.lead = lead;
            const uint32_t freeBits = 8 * (kFrameLength - kPrefix) - mainBits;
            const uint32_t carrying = (minBits + 544) * (level + 1) / freeBits + 2;
            shape.frames.assign(carrying, frameWithMain(mainBits));
            shape.frames.push_back(frameWithMain(8 * (kFrameLength - kPrefix)));
            const Mp3File file = buildMp3(shape);
            ConformanceFile carrier{file.bytes, Bytes(file.bytes.size(), 0)};
            std::vector<std::pair<size_t, uint32_t>> firstFree;
            for (uint32_t f = 0; f < carrying; ++f) {
              const size_t at = file.frameStarts[f] + kPrefix + mainBits / 8;
              firstFree.emplace_back(at, mainBits % 8);
              carrier.unitBitMask[at] = uint8_t(0xFF >> mainBits % 8);
              std::fill(&carrier.unitBitMask[at + 1],
                        &carrier.unitBitMask[0] + file.frameStarts[f + 1], 0xFF);
            }
            carrier.model = mp3Model(firstFree, freeBits, level);
            carrier.cutsMayCount = true;
            return carrier;
          },
          true,
          atLevel(level)};
}

struct Frame {
  size_t start, prefix, length;
};

// The frames of a file, header by header from the first sync past any ID3v2 tag.
std::vector<Frame> framesOf(const Bytes& file) {
  size_t at = 0;
  if (file[0] == 'I' && file[1] == 'D' && file[2] == '3') {
    at = 10 + (size_t{file[6]} << 21 | size_t{file[7]} << 14 | size_t{file[8]} << 7 | file[9]);
  }
  while (at + 1 < file.size() && !(file[at] == 0xFF && (file[at + 1] & 0xE0) == 0xE0)) ++at;
  std::vector<Frame> frames;
  mp3::FrameHeader header;
  for (; at + 4 <= file.size() && mp3::parseHeader(&file[at], header); at += header.length) {
    frames.push_back({at, header.prefix, header.length});
  }
  return frames;
}

// LAME's files: neither a tag nor a frame's header, CRC or side information changes.
void expectFramesAndTagsKept(const Bytes& source, const Bytes& target) {
  ASSERT_EQ(target.size(), source.size());
  const std::vector<Frame> frames = framesOf(source);
  ASSERT_GT(frames.size(), 10u);
  EXPECT_TRUE(std::equal(source.begin(), source.begin() + frames[0].start, target.begin()));
  for (const Frame& f : frames) {
    ASSERT_TRUE(std::equal(&source[f.start], &source[f.start] + f.prefix, &target[f.start]));
  }
  const size_t end = frames.back().start + frames.back().length;
  EXPECT_TRUE(std::equal(source.begin() + end, source.end(), target.begin() + end));
}

ConformanceCarrier lame(const char* name, const char* fixture, uint8_t level = kDefaultLevel) {
  return {name,
          std::string(name) + ".mp3",
          CarrierType::kMp3,
          [fixture](uint32_t) {
            ConformanceFile file{readFixture(fixture)};
            file.expectSameOutsideUnits = expectFramesAndTagsKept;
            file.cutsMayCount = true;
            // A cut in the last frame's prefix ends the walk; its body may hold no main data.
            const Frame last = framesOf(file.bytes).back();
            file.cutBelow = last.start + last.prefix;
            return file;
          },
          true,
          atLevel(level)};
}

// Built frames at three levels, with the lead-in byte all ones, main data ending inside a byte,
// and an ID3v2 tag whose first sync is a false one; then LAME's files (tests/data/README.md).
INSTANTIATE_TEST_SUITE_P(
    Mp3, CarrierConformance,
    ::testing::Values(built("Level3", 3, 4800, mp3LeadPointingAtItself(0x3C)),
                      built("Level0PartialByte", 0, 4803, mp3LeadPointingAtItself(0xFF)),
                      built("Level6PartialByte", 6, 1001, mp3LeadPointingAtItself(0x08)),
                      built("Id3v2FalseSync", 3, 4800, tagWithFalseSync(false)),
                      lame("LameCrcStereo", "mp3_mpeg1_cbr128_crc_stereo.mp3"),
                      lame("LameMpeg2Mono", "mp3_mpeg2_cbr128_mono.mp3"),
                      lame("LameMpeg25Level0", "mp3_mpeg25_cbr32_joint.mp3", 0),
                      lame("LameVbrXingLevel0", "mp3_mpeg1_vbr_xing_joint.mp3", 0),
                      lame("LameTags", "mp3_id3v2_picture_id3v1.mp3")),
    conformanceName);

}  // namespace
}  // namespace murl::test
