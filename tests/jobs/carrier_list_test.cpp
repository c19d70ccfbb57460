#include "jobs/carrier_list.h"

#include <gtest/gtest.h>

#include <map>

#include "support/recording_reporter.h"

namespace murl::test {
namespace {

// Identifies by a table of file names instead of reading files.
class CarrierListTest : public ::testing::Test {
 protected:
  CarrierListTest() : workspace(reporter, Language::kEnglish) {}

  CarrierList makeList(IdentifyPurpose listPurpose) {
    return CarrierList(listPurpose, [this](const std::string& path, IdentifyPurpose purpose,
                                           IdentificationRecord& record, Workspace&) {
      purposes.push_back(purpose);
      auto found = bits.find(path);
      if (found == bits.end()) return false;
      record.type = CarrierType::kWav;
      record.carrierBits = found->second;
      record.rejected = false;
      return true;
    });
  }
  std::vector<std::string> names(const CarrierList& list) {
    std::vector<std::string> out;
    for (const auto& e : list.entries()) out.push_back(e.path);
    return out;
  }

  RecordingReporter reporter;
  Workspace workspace;
  std::map<std::string, uint32_t> bits;
  std::vector<IdentifyPurpose> purposes;
};

TEST_F(CarrierListTest, SameFileNameFromAnotherFolderIsADuplicate) {
  bits = {
      {"/a/photo.bmp", 100}, {"/b/PHOTO.BMP", 100}, {"/c/photo.bm", 100}, {"/d/photo.bmpx", 100}};
  auto list = makeList(IdentifyPurpose::kUnhiding);
  EXPECT_EQ(list.add("/a/photo.bmp", workspace), CarrierAddResult::kAdded);
  EXPECT_EQ(list.add("/b/PHOTO.BMP", workspace), CarrierAddResult::kNotAdded);
  EXPECT_EQ(list.add("/c/photo.bm", workspace), CarrierAddResult::kNotAdded);  // a leading part
  EXPECT_EQ(reporter.shownIds(), (std::vector<MessageId>{MessageId::kCarrierAlreadyAdded,
                                                         MessageId::kCarrierAlreadyAdded}));
  EXPECT_EQ(list.add("/d/photo.bmpx", workspace), CarrierAddResult::kAdded);
  // Removing frees the name (photo.bmpx would still hold it).
  list.remove(1);
  list.remove(0);
  EXPECT_EQ(list.add("/b/PHOTO.BMP", workspace), CarrierAddResult::kAdded);
  EXPECT_EQ(list.totalBits(), 100u);
}

TEST_F(CarrierListTest, HidingStopsWhenTheStreamHasRoom) {
  bits = {{"/one.wav", 1000}, {"/two.wav", 5}};
  auto list = makeList(IdentifyPurpose::kHiding);
  list.setStreamBits(1000);
  EXPECT_EQ(list.add("/one.wav", workspace), CarrierAddResult::kAdded);
  EXPECT_EQ(list.add("/two.wav", workspace), CarrierAddResult::kLimitReached);
  EXPECT_EQ(reporter.shownIds(), std::vector<MessageId>{MessageId::kEnoughCarriers});
  EXPECT_EQ(purposes, std::vector<IdentifyPurpose>{IdentifyPurpose::kHiding});
  // Unhiding has no stream size to reach.
  auto unhiding = makeList(IdentifyPurpose::kUnhiding);
  EXPECT_EQ(unhiding.add("/one.wav", workspace), CarrierAddResult::kAdded);
  EXPECT_EQ(unhiding.add("/two.wav", workspace), CarrierAddResult::kAdded);
}

TEST_F(CarrierListTest, NotACarrierAddsNothingSilently) {
  auto list = makeList(IdentifyPurpose::kHiding);
  list.setStreamBits(100);
  EXPECT_EQ(list.add("/notes.txt", workspace), CarrierAddResult::kNotAdded);
  EXPECT_TRUE(reporter.shown.empty());
  EXPECT_EQ(list.size(), 0u);
}

TEST_F(CarrierListTest, AuthoringNeedsOneWholeMarkAndKeepsNoTotal) {
  bits = {{"/small.wav", 799}, {"/mark.wav", 800}, {"/big.wav", 0xFFFFFFFF}};
  auto list = makeList(IdentifyPurpose::kAuthoring);
  EXPECT_EQ(list.add("/small.wav", workspace), CarrierAddResult::kNotAdded);
  EXPECT_EQ(reporter.shownIds(), std::vector<MessageId>{MessageId::kInsufficientCarrierBits});
  EXPECT_EQ(list.add("/mark.wav", workspace), CarrierAddResult::kAdded);
  EXPECT_EQ(list.add("/big.wav", workspace), CarrierAddResult::kAdded);
  EXPECT_EQ(list.totalBits(), 0u);
  EXPECT_EQ(purposes.back(), IdentifyPurpose::kAuthoring);
}

TEST_F(CarrierListTest, TotalIsLimitedToFourGigabits) {
  bits = {{"/a.wav", 0xFFFFFF00}, {"/b.wav", 0x100}, {"/c.wav", 0xFF}};
  auto list = makeList(IdentifyPurpose::kUnhiding);
  EXPECT_EQ(list.add("/a.wav", workspace), CarrierAddResult::kAdded);
  EXPECT_EQ(list.add("/b.wav", workspace), CarrierAddResult::kNotAdded);
  EXPECT_EQ(reporter.shownIds(), std::vector<MessageId>{MessageId::kMaxTotalCarrierBits});
  EXPECT_EQ(list.size(), 1u);
  EXPECT_EQ(list.add("/b.wav2", workspace), CarrierAddResult::kNotAdded);  // unknown: not a carrier
  EXPECT_EQ(list.add("/c.wav", workspace), CarrierAddResult::kAdded);
  EXPECT_EQ(list.totalBits(), 0xFFFFFFFFu);
}

TEST_F(CarrierListTest, AtMost65535Carriers) {
  auto list = makeList(IdentifyPurpose::kUnhiding);
  for (size_t i = 0; i <= kMaxCarrierCount; ++i) bits["/c" + std::to_string(i) + ".wav"] = 1;
  for (size_t i = 0; i < kMaxCarrierCount; ++i) {
    ASSERT_EQ(list.add("/c" + std::to_string(i) + ".wav", workspace), CarrierAddResult::kAdded)
        << i;
  }
  EXPECT_EQ(list.add("/c65535.wav", workspace), CarrierAddResult::kLimitReached);
  EXPECT_EQ(reporter.shownIds(), std::vector<MessageId>{MessageId::kMaxCarriers});
  EXPECT_EQ(list.totalBits(), kMaxCarrierCount);
}

TEST_F(CarrierListTest, OutOfRangeAfterReordering) {
  bits = {{"/A.wav", 10}, {"/B2.wav", 5000}};
  auto list = makeList(IdentifyPurpose::kHiding);
  list.setStreamBits(2000);
  ASSERT_EQ(list.add("/A.wav", workspace), CarrierAddResult::kAdded);
  ASSERT_EQ(list.add("/B2.wav", workspace), CarrierAddResult::kAdded);
  EXPECT_TRUE(list.outOfRangeCheck(workspace));
  std::vector<bool> selected{false, true};
  EXPECT_EQ(list.moveSelectedUp(selected), 0u);
  EXPECT_EQ(names(list), (std::vector<std::string>{"/B2.wav", "/A.wav"}));
  EXPECT_FALSE(list.outOfRangeCheck(workspace));
  ASSERT_EQ(reporter.shown.size(), 1u);
  EXPECT_EQ(reporter.shown[0].text, "Last carrier is out of stream range: change carriers order");
}

TEST_F(CarrierListTest, OutOfRangeCountsEveryCarrierPastTheStream) {
  auto list = makeList(IdentifyPurpose::kUnhiding);
  for (const char* name : {"/a.wav", "/b.wav", "/c.wav", "/d.wav"}) {
    bits[name] = 600;
    list.add(name, workspace);
  }
  list.setStreamBits(1200);  // reached at the second carrier: two get nothing
  EXPECT_EQ(list.carriersBeyondStream(), 2u);
  EXPECT_FALSE(list.outOfRangeCheck(workspace));
  ASSERT_EQ(reporter.shown.size(), 1u);
  EXPECT_EQ(reporter.shown[0].text,
            "Last 2 carriers are out of stream range: change carriers order");
  list.setStreamBits(1801);
  EXPECT_EQ(list.carriersBeyondStream(), 0u);
  EXPECT_TRUE(list.outOfRangeCheck(workspace));
  list.setStreamBits(600);  // the last carrier always takes what is left, even nothing
  EXPECT_EQ(list.carriersBeyondStream(), 3u);
}

TEST_F(CarrierListTest, SelectedBlocksMoveAsAWhole) {
  auto list = makeList(IdentifyPurpose::kUnhiding);
  for (const char* name : {"/1.wav", "/2.wav", "/3.wav", "/4.wav", "/5.wav"}) {
    bits[name] = 1;
    list.add(name, workspace);
  }
  std::vector<bool> selected{false, true, true, false, false};
  list.moveSelectedDown(selected);
  EXPECT_EQ(names(list),
            (std::vector<std::string>{"/1.wav", "/4.wav", "/2.wav", "/3.wav", "/5.wav"}));
  list.moveSelectedDown(selected);
  EXPECT_EQ(names(list),
            (std::vector<std::string>{"/1.wav", "/4.wav", "/5.wav", "/2.wav", "/3.wav"}));
  EXPECT_EQ(selected, (std::vector<bool>{false, false, false, true, true}));
  EXPECT_EQ(list.moveSelectedDown(selected), list.size());  // already at the end
  EXPECT_EQ(names(list)[4], "/3.wav");
  // Two separate blocks move up together; the one at the start stays.
  selected = {true, false, false, true, false};
  list.moveSelectedUp(selected);
  EXPECT_EQ(names(list),
            (std::vector<std::string>{"/1.wav", "/4.wav", "/2.wav", "/5.wav", "/3.wav"}));
  EXPECT_EQ(selected, (std::vector<bool>{true, false, true, false, false}));
  list.removeSelected(selected);
  EXPECT_EQ(names(list), (std::vector<std::string>{"/4.wav", "/5.wav", "/3.wav"}));
  EXPECT_EQ(list.totalBits(), 3u);
}

}  // namespace
}  // namespace murl::test
