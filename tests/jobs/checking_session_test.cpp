#include "jobs/checking_session.h"

#include "jobs/authoring_session.h"
#include "session_fixture.h"

namespace murl::test {
namespace {

class CheckingSessionTest : public SessionTest {
 protected:
  CheckingSession session{workspace, listener};
};

TEST_F(CheckingSessionTest, EachRefusalShowsItsOneMessage) {
  writeAll(dir.file("notes.txt"), {'x'});
  writeAll(dir.file("noise.wav"), {'n', 'o', 't', ' ', 'a', ' ', 'w', 'a', 'v'});
  struct Case {
    std::string path;
    MessageId message;
  } cases[] = {
      {dir.file("notes.txt"), MessageId::kNoCarrierBits},
      {dir.file("noise.wav"), MessageId::kNoCarrierBits},
      {dataPath("module_pe32.dll"), MessageId::kNoCarrierBits},
      {makeExactCarrier("short.wav", 799, 1), MessageId::kInsufficientCarrierBits},
      {dir.file("missing.wav"), MessageId::kCouldntOpenCarrier},
  };
  for (const Case& c : cases) {
    EXPECT_FALSE(session.check(c.path, options)) << c.path;
    EXPECT_EQ(reporter.shownIds(), std::vector<MessageId>{c.message}) << c.path;
    EXPECT_EQ(listener.completions, (std::vector<JobCompletion>{JobCompletion::kFailedOrStopped}))
        << c.path;
    EXPECT_FALSE(session.checked()) << c.path;
    EXPECT_FALSE(session.busy());
    reporter.clear();
    listener.completions.clear();
  }
  // One whole mark is enough, marked or not.
  ASSERT_TRUE(session.check(makeExactCarrier("enough.wav", 800, 2), options));
  EXPECT_TRUE(session.checked());
  EXPECT_EQ(session.result().carrierBits, 800u);
  EXPECT_EQ(listener.completions, (std::vector<JobCompletion>{JobCompletion::kCarrierChecked}));
  EXPECT_TRUE(reporter.shown.empty());
}

// Marked and checked at a level of the user's: a short mark reads back with whole zero bytes.
TEST_F(CheckingSessionTest, AShortMarkEndsWithWholeZeroBytes) {
  options.setLevel(LevelFormat::kWav, 4);
  AuthoringSession authoring(workspace, listener);
  ASSERT_TRUE(authoring.setMark("Hi"));
  ASSERT_TRUE(authoring.addCarriers({makeCarrier("a.wav", 12000, 3)}, options, nullptr));
  ASSERT_TRUE(authoring.markCarriers(dir.file("out"), options));
  ASSERT_TRUE(session.check(dir.file("out/a.wav"), options));
  EXPECT_EQ(markWithoutTrailingZeros(session.result().mark), "Hi");
  EXPECT_EQ(session.result().globalIntegrity, 100.0);
  const std::vector<ReportNode> tree = session.tree();
  ASSERT_EQ(tree.size(), 3u);
  EXPECT_EQ(tree[0].text, "a.wav");
  EXPECT_EQ(tree[0].children[1].text, "Bits selection level: High");
}

}  // namespace
}  // namespace murl::test
