#include "platform/byte_order.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace murl {
namespace {

const uint8_t kBytes[8] = {0x01, 0x82, 0x03, 0x84, 0x05, 0x86, 0x07, 0x88};

TEST(ByteOrder, LoadsReadTheFirstByteAsLeastOrMostSignificant) {
  EXPECT_EQ(loadLe16(kBytes), 0x8201u);
  EXPECT_EQ(loadBe16(kBytes), 0x0182u);
  EXPECT_EQ(loadLe32(kBytes + 1), 0x05840382u);  // unaligned
  EXPECT_EQ(loadBe32(kBytes), 0x01820384u);
  EXPECT_EQ(loadLe64(kBytes), 0x8807860584038201u);
  EXPECT_EQ(loadBe64(kBytes), 0x0182038405860788u);
}

TEST(ByteOrder, StoresAndAppendsGiveBackTheLoadedBytes) {
  uint8_t out[9] = {};
  storeLe16(out + 1, loadLe16(kBytes));
  storeBe16(out + 3, loadBe16(kBytes + 2));
  storeLe32(out + 5, loadLe32(kBytes + 4));
  EXPECT_EQ(std::vector<uint8_t>(out + 1, out + 9), std::vector<uint8_t>(kBytes, kBytes + 8));
  storeLe64(out, loadLe64(kBytes));
  EXPECT_TRUE(std::equal(kBytes, kBytes + 8, out));
  storeBe32(out, loadBe32(kBytes + 4));
  EXPECT_TRUE(std::equal(kBytes + 4, kBytes + 8, out));

  std::vector<uint8_t> appended;
  appendLe16(appended, 0x8201);
  appendBe16(appended, 0x0384);
  appendLe32(appended, 0x88078605);
  appendBe32(appended, 0x01820384);
  EXPECT_EQ(appended, (std::vector<uint8_t>{1, 0x82, 3, 0x84, 5, 0x86, 7, 0x88, 1, 0x82, 3, 0x84}));
}

}  // namespace
}  // namespace murl
