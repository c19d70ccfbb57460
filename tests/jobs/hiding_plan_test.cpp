#include <gtest/gtest.h>

#include "jobs/hiding_job.h"

namespace murl::test {
namespace {

TEST(HidingPlan, SortsByFoldedNameKeepingListIndexAndShares) {
  std::vector<CarrierEntry> carriers = {{CarrierType::kWav, 100, {}, "/x/b.wav"},
                                        {CarrierType::kBmpColour, 100, {}, "/y/A.bmp"},
                                        {CarrierType::kWav, 100, {}, "/z/a.bmp.wav"}};
  // The stream is split in list order: b.wav takes its first 100 bits, A.bmp the last 50.
  auto plan = buildPlan(carriers, 150);
  ASSERT_EQ(plan.size(), 3u);
  EXPECT_EQ(plan[0].targetName, "A.bmp");  // a leading part sorts first
  EXPECT_EQ(plan[0].carrierIndex, 1);
  EXPECT_EQ(plan[0].share.startBit, 100u);
  EXPECT_EQ(plan[0].share.streamBits, 50u);
  EXPECT_EQ(plan[1].targetName, "a.bmp.wav");
  EXPECT_EQ(plan[1].share.streamBits, 0u);
  EXPECT_EQ(plan[2].targetName, "b.wav");
  EXPECT_EQ(plan[2].share.startBit, 0u);
  EXPECT_EQ(plan[2].share.streamBits, 100u);
  EXPECT_EQ(plan[2].carrierIndex, 0);
}

TEST(HidingPlan, NameOrderFoldsLettersAndComparesOtherBytesSigned) {
  EXPECT_TRUE(planNameBefore("A.bmp", "b.wav"));
  EXPECT_FALSE(planNameBefore("B.wav", "a.wav"));
  EXPECT_FALSE(planNameBefore("x.WAV", "X.wav"));  // equal under folding
  EXPECT_TRUE(planNameBefore("ab", "abc"));
  // Bytes past 0x7F are negative, so they sort before every ASCII character.
  EXPECT_TRUE(planNameBefore("\xE8.wav", "0.wav"));
  EXPECT_TRUE(planNameBefore("_", "a"));  // '_' (0x5F) before 'a', though after 'A'
}

TEST(HidingPlan, TargetPathAddsOneSlash) {
  EXPECT_EQ(targetPath("/out", "a.wav"), "/out/a.wav");
  EXPECT_EQ(targetPath("/", "a.wav"), "/a.wav");
}

}  // namespace
}  // namespace murl::test
