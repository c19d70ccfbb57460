#include "jobs/unhiding_session.h"

#include <optional>

#include "session_fixture.h"

namespace murl::test {
namespace {

class UnhidingSessionTest : public SessionTest {};

// Carriers of one job in another order are read in their trailers' order unless the order is
// to be kept; when the bits do not decode, the trailers tell why.
TEST_F(UnhidingSessionTest, TrailersGiveTheOrderAndTellWhyBitsDoNotDecode) {
  makeSources();
  auto targets = hideSources(threeCarriers("a.wav", "b.wav", "c.wav"));
  const std::string right = "a password of 24 letters", other = "another password of 30 letters";
  const std::vector<std::string> exchanged = {targets[1], targets[0], targets[2]};
  struct Case {
    const char* what;
    std::vector<std::string> carriers;
    std::string password;
    bool strictOrder;
    std::vector<size_t> orderUsed;
    std::optional<Verdict> diagnosis;  // none: the unhide succeeds
  } cases[] = {
      {"in order", targets, right, true, {}, {}},
      {"two exchanged, order kept", exchanged, right, true, {}, Verdict::kReordered},
      // After a failure, with the stop flag it left set, the next unhide runs.
      {"two exchanged", exchanged, right, false, {1, 0, 2}, {}},
      {"one left out", {targets[0], targets[2]}, right, false, {}, Verdict::kMissing},
      {"another password", targets, other, false, {}, Verdict::kComplete},
      {"exchanged, another password", exchanged, other, false, {1, 0, 2}, Verdict::kComplete},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    UnhidingSession session(workspace, listener);
    workspace.password.take(c.password);
    ASSERT_TRUE(session.addCarriers(c.carriers, options, nullptr));
    EXPECT_EQ(session.unhide(options, c.strictOrder), !c.diagnosis);
    EXPECT_EQ(session.orderUsed(), c.orderUsed);
    EXPECT_EQ(session.diagnosis().has_value(), c.diagnosis.has_value());
    if (c.diagnosis && session.diagnosis()) {
      EXPECT_EQ(session.diagnosis()->verdict, *c.diagnosis);
      EXPECT_EQ(reporter.shownIds(), (std::vector<MessageId>{MessageId::kInvalidData}));
      EXPECT_EQ(listener.completions,
                (std::vector<JobCompletion>{JobCompletion::kFailedOrStopped}));
      EXPECT_TRUE(tempFolderEmpty());
    } else if (!c.diagnosis) {
      const std::string back = dir.file("back/") + std::to_string(&c - cases);
      std::filesystem::create_directory(back);
      ASSERT_TRUE(session.extractAll(back));
      EXPECT_EQ(readAll(back + "/docs/img/b.bin"), readAll(dir.file("src/docs/img/b.bin")));
    }
    reporter.clear();
    listener.completions.clear();
  }
}

TEST_F(UnhidingSessionTest, SelectedItemsComeOutWithTheirSubtreesOnly) {
  makeSources();
  UnhidingSession session(workspace, listener);
  ASSERT_TRUE(
      session.addCarriers(hideSources(threeCarriers("a.wav", "b.wav", "c.wav")), options, nullptr));
  ASSERT_TRUE(session.unhide(options));
  EXPECT_EQ(listener.completions, (std::vector<JobCompletion>{JobCompletion::kFilesListed}));
  EXPECT_EQ(listener.stages, (std::vector<JobStage>{JobStage::kGathering, JobStage::kDecoding}));
  EXPECT_TRUE(tempFolderEmpty());  // the decoded stream stays open for extraction, by no name
  const ExtractionFolder& root = session.tree().root();
  ASSERT_EQ(root.subfolders.size(), 1u);  // docs
  ASSERT_EQ(root.files.size(), 1u);       // empty.txt
  const ExtractionFolder& docs = *root.subfolders[0];
  ASSERT_EQ(docs.name, "docs");
  // Item 0 of docs is its subfolder img; a.txt is not asked for.
  ASSERT_TRUE(session.extractSelected(docs, {0}, dir.file("back")));
  EXPECT_EQ(folderNames(dir.file("back")), (std::vector<std::string>{"img"}));
  EXPECT_EQ(readAll(dir.file("back/img/b.bin")), readAll(dir.file("src/docs/img/b.bin")));
  session.reset();
  EXPECT_TRUE(tempFolderEmpty());
  EXPECT_EQ(session.carriers().size(), 0u);
}

// A stop while carriers are offered takes none after the one being looked at.
TEST_F(UnhidingSessionTest, AStopWhileOfferingTakesNoFurtherCarrier) {
  const std::vector<std::string> offered = {makeCarrier("a.wav", 2000, 1),
                                            makeCarrier("b.wav", 2000, 2)};
  UnhidingSession session(workspace, listener);
  listener.onStatus = [&](StatusLabel, const std::string& text) {
    if (text == offered[0]) session.requestStop();
  };
  std::vector<std::string> notUsed;
  ASSERT_TRUE(session.addCarriers(offered, options,
                                  [&](const std::string& path) { notUsed.push_back(path); }));
  EXPECT_EQ(notUsed, std::vector<std::string>{offered[1]});
  EXPECT_EQ(session.carriers().size(), 1u);
}

}  // namespace
}  // namespace murl::test
