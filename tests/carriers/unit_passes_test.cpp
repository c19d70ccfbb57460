#include "carriers/common/unit_passes.h"

#include <gtest/gtest.h>

#include <vector>

namespace murl {
namespace {

// The units a selection uses, visiting each one.
std::vector<uint64_t> usedOneByOne(uint32_t leadIn, uint32_t spacing, uint64_t units) {
  UnitSelection selection(leadIn, spacing);
  std::vector<uint64_t> used;
  for (uint64_t i = 0; i < units; ++i) {
    if (selection.take()) used.push_back(i);
  }
  return used;
}

// The same, offering runs of `run` units to passOver first and visiting only what it leaves.
std::vector<uint64_t> usedPassingOver(uint32_t leadIn, uint32_t spacing, uint64_t units,
                                      uint64_t run) {
  UnitSelection selection(leadIn, spacing);
  std::vector<uint64_t> used;
  for (uint64_t start = 0; start < units; start += run) {
    const uint64_t end = std::min(units, start + run);
    for (uint64_t i = start;;) {
      i += selection.passOver(end - i);
      if (i == end) break;
      if (selection.take()) used.push_back(i);
      ++i;
    }
  }
  return used;
}

TEST(UnitSelection, PassingOverRunsUsesTheSameUnits) {
  for (uint32_t leadIn : {0u, 1u, 5u, 17u}) {
    for (uint32_t spacing : {1u, 2u, 4u, 7u}) {
      for (uint64_t run : {1u, 3u, 8u, 13u, 500u}) {
        EXPECT_EQ(usedPassingOver(leadIn, spacing, 200, run), usedOneByOne(leadIn, spacing, 200))
            << leadIn << " " << spacing << " " << run;
      }
    }
  }
}

TEST(UnitSelection, PassOverStopsBeforeAUsedUnit) {
  UnitSelection selection(2, 3);
  EXPECT_EQ(selection.passOver(10), 2u);  // the lead-in, then unit 2 is used
  EXPECT_TRUE(selection.take());
  EXPECT_EQ(selection.passOver(1), 1u);
  EXPECT_EQ(selection.passOver(10), 1u);
  EXPECT_TRUE(selection.take());
  EXPECT_EQ(selection.passOver(0), 0u);
}

TEST(UnitCounter, PassOverCountsEveryUnit) {
  UnitCounter counter;
  uint8_t bit = 0;
  EXPECT_EQ(counter.passOver(40), 40u);
  counter.visit(bit);
  EXPECT_EQ(counter.units(), 41u);
}

}  // namespace
}  // namespace murl
