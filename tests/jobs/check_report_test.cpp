#include "jobs/check_report.h"

#include <gtest/gtest.h>

namespace murl {
namespace {

// Feeds whole bytes to the collector, position after position, as hidden bits.
void feed(CheckCollector& collector, const std::vector<uint8_t>& bytes) {
  for (uint8_t byte : bytes)
    for (int bit = 7; bit >= 0; --bit) collector.add((byte >> bit) & 1);
}

TEST(CheckReport, MajorityPerPositionWithTheLowestValueOnEqualCounts) {
  CheckCollector collector;
  collector.reset();
  // Three rounds over the 100 positions: position 0 sees 2, 9, 9 and position 1 sees 7, 3, 7 (the
  // majority wins over a lower value); position 2 sees 200, 5, 1, each once.
  std::vector<uint8_t> round(kMarkSize, 0x41);
  const uint8_t rounds[3][3] = {{2, 7, 200}, {9, 3, 5}, {9, 7, 1}};
  for (const auto& firstThree : rounds) {
    std::copy(std::begin(firstThree), std::end(firstThree), round.begin());
    feed(collector, round);
  }
  CheckResult result;
  analyseMark(collector, result);
  EXPECT_EQ(result.mark[0], 9);
  EXPECT_EQ(result.mark[1], 7);
  EXPECT_EQ(result.mark[2], 1);  // three values once each: the lowest
  EXPECT_EQ(result.mark[3], 0x41);
  // Two of three and one of three, in single precision as the report prints them.
  EXPECT_EQ(result.integrity[0], static_cast<float>(200.0 / 3));
  EXPECT_EQ(result.integrity[2], static_cast<float>(100.0 / 3));
  EXPECT_EQ(result.integrity[3], 100.0f);
  const double expected = (2 * static_cast<double>(static_cast<float>(200.0 / 3)) +
                           static_cast<double>(static_cast<float>(100.0 / 3)) + 97 * 100.0) /
                          100;
  EXPECT_DOUBLE_EQ(result.globalIntegrity, expected);
}

TEST(CheckReport, PositionsThatCountedNothingAreWholeZeros) {
  CheckCollector collector;
  collector.reset();
  feed(collector, {'Q', 'R'});
  collector.add(1);  // a trailing partial byte is never counted
  CheckResult result;
  analyseMark(collector, result);
  EXPECT_EQ(result.mark[0], 'Q');
  EXPECT_EQ(result.mark[1], 'R');
  for (size_t p = 2; p < kMarkSize; ++p) {
    EXPECT_EQ(result.mark[p], 0) << p;
    EXPECT_EQ(result.integrity[p], 100.0f) << p;
  }
  EXPECT_EQ(result.globalIntegrity, 100.0);
  EXPECT_EQ(markWithoutTrailingZeros(result.mark), "QR");
}

CheckResult sample() {
  CheckResult result;
  result.path = "/media/songs/tune.wav";
  result.type = CarrierType::kWav;
  result.carrierBits = 1234567;
  result.level = 4;
  result.mark[0] = 'H';
  result.mark[1] = 'i';
  result.integrity.fill(100.0f);
  result.integrity[1] = 50.0f;
  result.globalIntegrity = 99.5;
  return result;
}

std::vector<std::string> texts(const std::vector<ReportNode>& nodes) {
  std::vector<std::string> lines;
  for (const ReportNode& node : nodes) lines.push_back(node.text);
  return lines;
}

// The carrier, the mark with its integrity, and a detail line a position, numbers in the user's
// form; a mark of all 100 bytes is shown whole, and an image carrier has its icon.
TEST(CheckReport, TreeOfTheCarrierTheMarkAndItsDetails) {
  const std::vector<ReportNode> tree = checkReportTree(sample(), Language::kEnglish, ",");
  ASSERT_EQ(tree.size(), 3u);
  EXPECT_EQ(texts(tree),
            (std::vector<std::string>{"tune.wav", "Copyright Mark", "Hex & Integrity Details"}));
  EXPECT_EQ(tree[0].icon, ReportNode::Icon::kAudio);
  EXPECT_EQ(texts(tree[0].children),
            (std::vector<std::string>{"Carrier bits: 1,234,567", "Bits selection level: High"}));
  EXPECT_EQ(texts(tree[1].children),
            (std::vector<std::string>{"Mark: <Hi>", "Global integrity 99.500000%"}));
  ASSERT_EQ(tree[2].children.size(), kMarkSize);
  EXPECT_EQ(tree[2].children[1].text, "#  1: 0x69 [50.000000%]");
  EXPECT_EQ(checkReportTree(sample(), Language::kItalian, ".")[0].children[0].text,
            "Carrier bit: 1.234.567");

  CheckResult result = sample();
  result.type = CarrierType::kBmpGrey;
  for (size_t p = 0; p < kMarkSize; ++p) result.mark[p] = static_cast<uint8_t>('a' + p % 26);
  result.mark[99] = 0xFE;
  const std::vector<ReportNode> fullTree = checkReportTree(result, Language::kEnglish, ".");
  EXPECT_EQ(fullTree[0].icon, ReportNode::Icon::kImage);
  const std::string& line = fullTree[1].children[0].text;
  EXPECT_EQ(line.size(), std::string("Mark: <>").size() + kMarkSize);
  EXPECT_EQ(line.substr(line.size() - 3), "u\xFE>");
  EXPECT_EQ(fullTree[2].children[99].text, "# 99: 0xFE [100.000000%]");
}

}  // namespace
}  // namespace murl
