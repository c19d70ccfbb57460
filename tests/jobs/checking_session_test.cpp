#include "jobs/checking_session.h"

#include "jobs/authoring_session.h"
#include "session_fixture.h"

namespace murl::test {
namespace {

class CheckingSessionTest : public SessionTest {
 protected:
  // Marks the carrier into out/ with `marking` (its levels); returns the target.
  std::string marked(const std::string& carrier, const std::string& mark, const Options& marking) {
    AuthoringSession authoring(workspace, listener);
    EXPECT_TRUE(authoring.setMark(mark));
    EXPECT_TRUE(authoring.addCarriers({carrier}, marking, nullptr));
    EXPECT_TRUE(authoring.markCarriers(dir.file("out"), marking));
    listener.completions.clear();
    return dir.file("out/" + platform::baseName(carrier));
  }

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
      {std::string(MURL_TEST_DATA_DIR) + "/module_pe32.dll", MessageId::kNoCarrierBits},
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

TEST_F(CheckingSessionTest, AShortMarkEndsWithWholeZeroBytes) {
  const std::string target = marked(makeExactCarrier("a.wav", 12000, 3), "Hi", options);
  ASSERT_TRUE(session.check(target, options));
  EXPECT_EQ(markWithoutTrailingZeros(session.result().mark), "Hi");
  EXPECT_EQ(session.result().globalIntegrity, 100.0);
  const std::vector<ReportNode> tree = session.tree();
  ASSERT_EQ(tree.size(), 3u);
  EXPECT_EQ(tree[0].text, "a.wav");
  EXPECT_EQ(tree[0].children[1].text, "Bits selection level: Medium");
}

TEST_F(CheckingSessionTest, AMarkPartlyOverwrittenByAHideIsStillTheMajority) {
  // Every sample qualifies at level 0; one in ten is loud enough for level 3.
  WavShape shape;
  shape.samples = soundSamples(60000, 6000, 256, 5);
  const std::string carrier = dir.file("carriers/song.wav");
  writeAll(carrier, buildWav(shape));
  Options level0 = options;
  level0.setLevel(LevelFormat::kWav, 0);
  const std::string mark = "(c) The Authors of this song";
  const std::string target = marked(carrier, mark, level0);

  // A hide at level 3 rewrites the loud samples' unit bits only.
  writeAll(dir.file("src/small.txt"), {'s', 'e', 'c', 'r', 'e', 't'});
  std::filesystem::create_directory(dir.file("hidden"));
  HidingSession hiding(workspace, listener);
  ASSERT_TRUE(hiding.addSource(dir.file("src/small.txt")));
  ASSERT_TRUE(hiding.buildStream(options));
  ASSERT_TRUE(hiding.addCarriers({target}, options, nullptr));
  ASSERT_TRUE(hiding.writeCarriers(dir.file("hidden"), options));

  ASSERT_TRUE(session.check(dir.file("hidden/song.wav"), level0));
  const CheckResult& result = session.result();
  EXPECT_EQ(markWithoutTrailingZeros(result.mark), mark);
  for (size_t p = 0; p < kMarkSize; ++p) {
    EXPECT_LT(result.integrity[p], 100.0f) << p;
    EXPECT_GT(result.integrity[p], 20.0f) << p;
  }
  EXPECT_LT(result.globalIntegrity, 100.0);
}

TEST_F(CheckingSessionTest, AnUnmarkedCarrierShowsWeakMajorities) {
  ASSERT_TRUE(session.check(makeExactCarrier("plain.wav", 40000, 4), options));
  // Random unit bits: 50 bytes a position spread over 256 values.
  EXPECT_LT(session.result().globalIntegrity, 20.0);
}

}  // namespace
}  // namespace murl::test
