#include "jobs/carrier_list.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>

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
      return true;
    });
  }

  // A list holding one carrier of each of `sizes`, named /1.wav, /2.wav and on.
  CarrierList listOf(IdentifyPurpose purpose, const std::vector<uint32_t>& sizes,
                     uint32_t streamBits = 0) {
    CarrierList list = makeList(purpose);
    list.setStreamBits(streamBits);
    for (size_t i = 0; i < sizes.size(); ++i) {
      const std::string name = "/" + std::to_string(i + 1) + ".wav";
      bits[name] = sizes[i];
      EXPECT_EQ(list.add(name, workspace), CarrierAddResult::kAdded) << name;
    }
    return list;
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

TEST_F(CarrierListTest, EachCarrierOfferedIsTakenOrRefusedWithItsMessage) {
  using P = IdentifyPurpose;
  using R = CarrierAddResult;
  using M = MessageId;
  const std::vector<uint32_t> aWholeList(kMaxCarrierCount, 1);
  const std::optional<uint32_t> notACarrier;
  const std::optional<MessageId> none;
  const uint32_t kBig = 0xFFFFFF00;
  const struct {
    const char* what;
    P purpose;
    uint32_t streamBits;
    std::vector<uint32_t> listed;
    std::optional<uint32_t> offered;
    R result;
    std::optional<MessageId> message;
    uint32_t total;  // after the offer
  } rows[] = {
      {"room", P::kHiding, 1000, {1000}, 5, R::kLimitReached, M::kEnoughCarriers, 1000},
      {"a bit short", P::kHiding, 1001, {1000}, 5, R::kAdded, none, 1005},
      {"no stream to reach", P::kUnhiding, 1000, {1000}, 5, R::kAdded, none, 1005},
      {"not a carrier", P::kHiding, 100, {}, notACarrier, R::kNotAdded, none, 0},
      {"under a mark", P::kAuthoring, 0, {800}, 799, R::kNotAdded, M::kInsufficientCarrierBits, 0},
      {"marking: no total", P::kAuthoring, 0, {800}, 0xFFFFFFFF, R::kAdded, none, 0},
      {"past 32 bits", P::kUnhiding, 0, {kBig}, 256, R::kNotAdded, M::kMaxTotalCarrierBits, kBig},
      {"32 bits", P::kUnhiding, 0, {kBig}, 255, R::kAdded, none, ~0u},
      {"65535", P::kUnhiding, 0, aWholeList, 1, R::kLimitReached, M::kMaxCarriers, 65535},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    bits.clear();
    CarrierList list = listOf(row.purpose, row.listed, row.streamBits);
    reporter.clear();
    purposes.clear();
    if (row.offered) bits["/offered.wav"] = *row.offered;
    EXPECT_EQ(list.add("/offered.wav", workspace), row.result);
    EXPECT_EQ(reporter.shownIds(),
              row.message ? std::vector<MessageId>{*row.message} : std::vector<MessageId>{});
    EXPECT_EQ(list.size(), row.listed.size() + (row.result == CarrierAddResult::kAdded ? 1 : 0));
    EXPECT_EQ(list.totalBits(), row.total);
    for (IdentifyPurpose asked : purposes) EXPECT_EQ(asked, row.purpose);
  }
}

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

// The carriers past the one where the stream ends get none of it; the last always takes what is
// left, even nothing.
TEST_F(CarrierListTest, OutOfRangeCountsEveryCarrierPastTheStream) {
  auto list = listOf(IdentifyPurpose::kUnhiding, {600, 600, 600, 600});
  const struct {
    uint32_t streamBits;
    size_t beyond;
    const char* message;
  } rows[] = {
      {1200, 2, "Last 2 carriers are out of stream range: change carriers order"},
      {1801, 0, nullptr},
      {1800, 1, "Last carrier is out of stream range: change carriers order"},
      {600, 3, "Last 3 carriers are out of stream range: change carriers order"},
  };
  for (const auto& row : rows) {
    reporter.clear();
    list.setStreamBits(row.streamBits);
    EXPECT_EQ(list.carriersBeyondStream(), row.beyond) << row.streamBits;
    EXPECT_EQ(list.outOfRangeCheck(workspace), row.message == nullptr);
    if (row.message) {
      ASSERT_EQ(reporter.shown.size(), 1u);
      EXPECT_EQ(reporter.shown[0].text, row.message);
    }
  }
}

TEST_F(CarrierListTest, SelectedBlocksMoveAsAWhole) {
  auto list = listOf(IdentifyPurpose::kUnhiding, {1, 1, 1, 1, 1});
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
  // Two separate blocks move up together; the one at the start stays as it is.
  selected = {true, true, false, true, false};
  EXPECT_EQ(list.moveSelectedUp(selected), 2u);
  EXPECT_EQ(names(list),
            (std::vector<std::string>{"/1.wav", "/4.wav", "/2.wav", "/5.wav", "/3.wav"}));
  EXPECT_EQ(selected, (std::vector<bool>{true, true, true, false, false}));
  list.removeSelected(selected);
  EXPECT_EQ(names(list), (std::vector<std::string>{"/5.wav", "/3.wav"}));
  EXPECT_EQ(list.totalBits(), 2u);
}

}  // namespace
}  // namespace murl::test
