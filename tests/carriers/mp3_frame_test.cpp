#include "carriers/mp3/mp3_frame.h"

#include <gtest/gtest.h>

#include <array>

#include "carriers/mp3/byte_window.h"
#include "carriers/mp3/reservoir.h"
#include "platform/file_system.h"
#include "support/mp3_builder.h"
#include "support/temp_dir.h"

namespace murl::mp3 {
namespace {

struct HeaderRow {
  const char* name;
  std::array<uint8_t, 4> bytes;
  bool accepted;
  uint32_t length;
  uint32_t prefix;
};

// Lengths are the standard's 144 (MPEG-1) or 72 (MPEG-2, 2.5) x bitrate / rate, plus padding.
TEST(Mp3Header, LengthsPrefixesAndRefusals) {
  const HeaderRow rows[] = {
      {"Mpeg1At128kAnd44100", {0xFF, 0xFB, 0x90, 0x00}, true, 417, 36},
      {"Mpeg1At128kPadded", {0xFF, 0xFB, 0x92, 0x00}, true, 418, 36},
      {"Mpeg1MonoWithCrc", {0xFF, 0xFA, 0x90, 0xC0}, true, 417, 23},
      {"Mpeg1At320kAnd32000Padded", {0xFF, 0xFB, 0xEA, 0x00}, true, 1441, 36},
      {"Mpeg2At8kAnd24000Mono", {0xFF, 0xF3, 0x14, 0xC0}, true, 24, 13},
      {"Mpeg2At160kAnd16000WithCrc", {0xFF, 0xF2, 0xE8, 0x00}, true, 720, 23},
      {"Mpeg25At64kAnd12000", {0xFF, 0xE3, 0x84, 0x00}, true, 384, 21},
      {"LayerTwo", {0xFF, 0xFD, 0x90, 0x00}, false, 0, 0},
      {"LayerOne", {0xFF, 0xFF, 0x90, 0x00}, false, 0, 0},
      {"ReservedVersion", {0xFF, 0xEB, 0x90, 0x00}, false, 0, 0},
      {"FreeFormat", {0xFF, 0xFB, 0x00, 0x00}, false, 0, 0},
      {"BitrateIndex15", {0xFF, 0xFB, 0xF0, 0x00}, false, 0, 0},
      {"ReservedRate", {0xFF, 0xFB, 0x9C, 0x00}, false, 0, 0},
      {"SyncTooShort", {0xFF, 0xDB, 0x90, 0x00}, false, 0, 0},
      {"NoSyncByte", {0xFE, 0xFB, 0x90, 0x00}, false, 0, 0},
  };
  for (const HeaderRow& row : rows) {
    FrameHeader header;
    EXPECT_EQ(parseHeader(row.bytes.data(), header), row.accepted) << row.name;
    if (!row.accepted) continue;
    EXPECT_EQ(header.length, row.length) << row.name;
    EXPECT_EQ(header.prefix, row.prefix) << row.name;
  }
}

TEST(Mp3Header, SideInformationGivesMainDataBeginAndLength) {
  struct Row {
    test::Mp3FrameLayout frame;
    uint32_t mainDataBegin;
    std::vector<uint32_t> parts;
  };
  auto with = [](test::Mp3FrameLayout f, bool crc, bool mono) {
    f.crc = crc;
    f.mono = mono;
    return f;
  };
  const Row rows[] = {
      {with(test::mpeg1At320k(), false, false), 511, {4095, 1, 2, 3}},
      {with(test::mpeg1At320k(), true, true), 7, {10, 20}},
      {with(test::mpeg2At8k(), false, true), 255, {100}},
      {with(test::mpeg25At64k(), true, false), 1, {1, 4094}},
  };
  for (const Row& row : rows) {
    test::Mp3Shape shape;
    shape.frames = {row.frame};
    shape.frames[0].mainDataBegin = row.mainDataBegin;
    shape.frames[0].partLengths = row.parts;
    const auto file = test::buildMp3(shape);
    FrameHeader header;
    ASSERT_TRUE(parseHeader(file.bytes.data(), header));
    const SideInfo side = parseSideInfo(file.bytes.data(), header);
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
  for (const auto& [bits, end] : rows) EXPECT_EQ(mainDataEnd(100, bits), end) << bits;
}

// Frames of 960 bytes with 36-byte prefixes from offset 0, in a file of `size` bytes.
FrameFacts frameAt(int index, uint32_t mainDataBegin, uint32_t mainBits) {
  return {index * 960, 36, 960, mainDataBegin, mainBits};
}

struct WalkRow {
  const char* name;
  std::vector<FrameFacts> frames;
  uint64_t leadIn;
  bool placed;                         // every frame's main data placed
  std::vector<FreeStretch> stretches;  // of each frame but the last
};

TEST(Mp3Reservoir, FreeStretchesAndRefusals) {
  const WalkRow rows[] = {
      {"WholeBytesAfterMainData",
       {frameAt(0, 0, 800), frameAt(1, 0, 0)},
       9999,
       true,
       {{136, 0, 824 * 8}}},
      {"PartialByteFirst",
       {frameAt(0, 0, 803), frameAt(1, 0, 0)},
       9999,
       true,
       {{136, 3, 5 + 823 * 8}}},
      {"EndsWhereTheNextMainDataBegins",
       {frameAt(0, 0, 800), frameAt(1, 100, 2000), frameAt(2, 0, 0)},
       9999,
       true,
       // The second frame's main data runs over its own prefix: 860 + 250 - 1 + 36.
       {{136, 0, 724 * 8}, {1146, 0, 774 * 8}}},
      {"CountBackSkipsThePrefixesPassed",
       {frameAt(0, 0, 800), frameAt(1, 700, 800), frameAt(2, 1000, 0)},
       9999,
       true,
       // 1920 - 1000 = 920 lies before the end of frame 1's prefix: 36 more back.
       {{136, 0, 124 * 8}, {360, 0, 524 * 8}}},
      {"NoMainDataStartsAfterD",
       {frameAt(0, 0, 0), frameAt(1, 0, 0)},
       9999,
       true,
       {{37, 0, 923 * 8}}},
      {"EqualToTheNextMainDataWithoutBits",
       {frameAt(0, 0, 0), frameAt(1, 924, 0)},
       9999,
       true,
       {{}}},
      {"LeadInByteInside", {frameAt(0, 0, 800), frameAt(1, 0, 0)}, 500, true, {{}}},
      {"LeadInByteAtE", {frameAt(0, 0, 800), frameAt(1, 0, 0)}, 135, true, {{}}},
      {"LeadInByteAtTheNextMainData", {frameAt(0, 0, 800), frameAt(1, 0, 0)}, 996, true, {{}}},
      {"LeadInByteJustPast",
       {frameAt(0, 0, 800), frameAt(1, 0, 0)},
       997,
       true,
       {{136, 0, 824 * 8}}},
      {"CrossesItsOwnHeader",
       {frameAt(0, 0, 800), frameAt(1, 700, 800), frameAt(2, 0, 0)},
       9999,
       true,
       {{136, 0, 124 * 8}, {}}},
      {"FirstFrameWithReservoir", {frameAt(0, 1, 0)}, 9999, false, {}},
      {"MainDataBeforeTheFile", {frameAt(0, 0, 0), frameAt(1, 940, 0)}, 9999, false, {}},
      {"MainDataOverlapping", {frameAt(0, 0, 8000), frameAt(1, 10, 0)}, 9999, false, {}},
      {"SharingTheLastByte", {frameAt(0, 0, 800), frameAt(1, 825, 8)}, 9999, false, {}},
      {"MainDataPastTheFile", {frameAt(0, 0, 800), frameAt(1, 0, 90000)}, 9999, false, {}},
  };
  for (const WalkRow& row : rows) {
    Reservoir reservoir(10000, row.leadIn);
    bool placed = reservoir.first(row.frames[0]);
    std::vector<FreeStretch> stretches;
    for (size_t i = 1; placed && i < row.frames.size(); ++i) {
      FreeStretch stretch;
      placed = reservoir.next(row.frames[i], stretch);
      if (placed) stretches.push_back(stretch);
    }
    EXPECT_EQ(placed, row.placed) << row.name;
    if (!row.placed) continue;
    ASSERT_EQ(stretches.size(), row.stretches.size()) << row.name;
    for (size_t i = 0; i < stretches.size(); ++i) {
      EXPECT_EQ(stretches[i].bits, row.stretches[i].bits) << row.name << " frame " << i;
      if (row.stretches[i].empty()) continue;
      EXPECT_EQ(stretches[i].firstByte, row.stretches[i].firstByte) << row.name << " frame " << i;
      EXPECT_EQ(stretches[i].firstBit, row.stretches[i].firstBit) << row.name << " frame " << i;
    }
  }
}

}  // namespace
}  // namespace murl::mp3

namespace murl::mp3 {
namespace {

// A window of 16 bytes over 100: refills that keep bytes, a jump past what it held, changes made
// in between. The target gets every byte from the copy's start once, changes included.
TEST(Mp3ByteWindow, CopiesEveryByteOnceWithTheChangesMade) {
  test::TempDir dir;
  std::vector<uint8_t> bytes(100);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i);
  test::writeAll(dir.file("src"), bytes);
  auto src = platform::realFileSystem().openRead(dir.file("src"));
  auto dst = platform::realFileSystem().createTruncate(dir.file("dst"));
  std::vector<uint8_t> buffer(16);
  ByteWindow window(src, bytes.size(), buffer, &dst, 5);
  ASSERT_TRUE(window.fetch(10, 4));
  *window.data(11) = 0xAA;
  window.keepFrom(10);
  ASSERT_TRUE(window.fetch(20, 6));  // kept from 10
  EXPECT_EQ(*window.data(11), 0xAA);
  *window.data(24) = 0xBB;
  ASSERT_TRUE(window.fetch(60, 4));  // too far to keep 10: bytes 26 to 59 never held
  *window.data(61) = 0xCC;
  EXPECT_FALSE(window.fetch(50, 1));  // before what was kept
  EXPECT_FALSE(window.fetch(95, 6));  // past the end
  ASSERT_TRUE(window.fetch(90, 10));
  ASSERT_TRUE(window.finish());
  dst.close();
  std::vector<uint8_t> expected = bytes;
  std::fill_n(expected.begin(), 5, 0);
  expected[11] = 0xAA;
  expected[24] = 0xBB;
  expected[61] = 0xCC;
  EXPECT_EQ(test::readAll(dir.file("dst")), expected);
}

}  // namespace
}  // namespace murl::mp3
