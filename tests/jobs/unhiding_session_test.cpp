#include "jobs/unhiding_session.h"

#include <sys/stat.h>

#include <optional>

#include "session_fixture.h"

namespace murl::test {
namespace {

class UnhidingSessionTest : public SessionTest {
 protected:
  // Hides src/ into a.wav, b.wav, c.wav and lists the targets in `session`, in that order.
  void unhideSources(UnhidingSession& session) {
    makeSources();
    auto targets = hideSources(threeCarriers("a.wav", "b.wav", "c.wav"));
    ASSERT_TRUE(session.addCarriers(targets, options, nullptr));
    ASSERT_TRUE(session.unhide(options));
  }
};

// Carriers of one job in another order are read in their trailers' order unless the order is
// to be kept; when the bits do not decode, the trailers tell why.
TEST_F(UnhidingSessionTest, TrailersGiveTheOrderAndTellWhyBitsDoNotDecode) {
  makeSources();
  ::chmod(dir.file("src/docs/a.txt").c_str(), 0444);  // comes back read-only
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
      struct stat st {};
      ASSERT_EQ(::stat((back + "/docs/a.txt").c_str(), &st), 0);
      EXPECT_EQ(st.st_mode & 0222, 0u);
      ASSERT_EQ(::stat((back + "/empty.txt").c_str(), &st), 0);
      EXPECT_NE(st.st_mode & 0200, 0u);
    }
    reporter.clear();
    listener.completions.clear();
  }
}

TEST_F(UnhidingSessionTest, SelectedItemsComeOutWithTheirSubtreesOnly) {
  UnhidingSession session(workspace, listener);
  unhideSources(session);
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

// Files already at the names asked about: a failed write leaves no part of the new one and the
// older file as it was, No stops with nothing shown, Yes replaces even a read-only file.
TEST_F(UnhidingSessionTest, ExistingFilesAreAskedAboutAndKeptUntilReplacedWhole) {
  UnhidingSession session(workspace, listener);
  unhideSources(session);
  std::filesystem::create_directories(dir.file("back/docs/img"));
  writeAll(dir.file("back/docs/a.txt"), {'m', 'i', 'n', 'e'});
  writeAll(dir.file("back/docs/img/b.bin"), {'o', 'l', 'd'});
  ::chmod(dir.file("back/docs/img/b.bin").c_str(), 0);  // not even readable: still asked about
  reporter.answers = {true};
  files.failFrom(FsCall::kWrite);
  EXPECT_FALSE(session.extractAll(dir.file("back")));
  files.heal();
  EXPECT_EQ(reporter.askedIds(), (std::vector<MessageId>{MessageId::kFileExistsOverwrite}));
  EXPECT_EQ(reporter.shownIds(), (std::vector<MessageId>{MessageId::kCouldntWriteFile}));
  EXPECT_EQ(folderNames(dir.file("back/docs/img")), (std::vector<std::string>{"b.bin"}));
  ::chmod(dir.file("back/docs/img/b.bin").c_str(), 0444);
  EXPECT_EQ(readAll(dir.file("back/docs/img/b.bin")), (std::vector<uint8_t>{'o', 'l', 'd'}));

  reporter.clear();
  reporter.answers = {true, false};  // img/b.bin comes before a.txt
  EXPECT_FALSE(session.extractAll(dir.file("back")));
  EXPECT_TRUE(reporter.shown.empty());
  EXPECT_EQ(readAll(dir.file("back/docs/img/b.bin")), readAll(dir.file("src/docs/img/b.bin")));
  EXPECT_EQ(readAll(dir.file("back/docs/a.txt")), (std::vector<uint8_t>{'m', 'i', 'n', 'e'}));
  reporter.answers = {true, true};
  EXPECT_TRUE(session.extractAll(dir.file("back")));
  EXPECT_EQ(readAll(dir.file("back/docs/a.txt")), readAll(dir.file("src/docs/a.txt")));
  EXPECT_EQ(folderNames(dir.file("back/docs/img")), (std::vector<std::string>{"b.bin"}));
}

TEST_F(UnhidingSessionTest, LinksBelowTheOutputFolderAreNeverFollowed) {
  UnhidingSession session(workspace, listener);
  unhideSources(session);
  std::filesystem::create_directory(dir.file("elsewhere"));
  writeAll(dir.file("victim"), {'v'});
  std::filesystem::create_symlink("../victim", dir.file("back/empty.txt"));
  std::filesystem::create_directory_symlink("../elsewhere", dir.file("back/docs"));
  // A linked folder is no folder to extract into; the extraction stops there.
  EXPECT_FALSE(session.extractAll(dir.file("back")));
  EXPECT_EQ(reporter.shownIds(), (std::vector<MessageId>{MessageId::kCouldntCreateFolder}));
  EXPECT_TRUE(folderNames(dir.file("elsewhere")).empty());
  // A linked file is asked about, and Yes replaces the link, not what it leads to.
  reporter.clear();
  reporter.answers = {true};
  const ExtractionFolder& root = session.tree().root();
  ASSERT_TRUE(session.extractSelected(root, {root.subfolders.size()}, dir.file("back")));
  EXPECT_EQ(reporter.askedIds(), (std::vector<MessageId>{MessageId::kFileExistsOverwrite}));
  EXPECT_EQ(readAll(dir.file("victim")), (std::vector<uint8_t>{'v'}));
  EXPECT_FALSE(std::filesystem::is_symlink(dir.file("back/empty.txt")));
}

TEST_F(UnhidingSessionTest, AFailedExtractionTakesBackTheFoldersItMade) {
  UnhidingSession session(workspace, listener);
  unhideSources(session);
  files.failFrom(FsCall::kWrite);  // docs/img/b.bin, the first file with content
  EXPECT_FALSE(session.extractAll(dir.file("back")));
  files.heal();
  EXPECT_EQ(reporter.shownIds(), (std::vector<MessageId>{MessageId::kCouldntWriteFile}));
  EXPECT_TRUE(folderNames(dir.file("back")).empty());
  // Another job holding the output folder keeps this one out before anything is made.
  reporter.clear();
  platform::Folder held = platform::realFileSystem().openFolder(dir.file("back"));
  ASSERT_TRUE(held.lock());
  EXPECT_FALSE(session.extractAll(dir.file("back")));
  EXPECT_EQ(reporter.shownIds(), (std::vector<MessageId>{MessageId::kOutputFolderBusy}));
  EXPECT_TRUE(folderNames(dir.file("back")).empty());
}

TEST_F(UnhidingSessionTest, AStoppedExtractionKeepsWhatItWroteAndTheNextOneFinishes) {
  UnhidingSession session(workspace, listener);
  unhideSources(session);
  // Folders come first: stop once docs/img/b.bin is written, as docs/a.txt is begun.
  listener.onStatus = [&](StatusLabel, const std::string& text) {
    if (text == dir.file("back/docs/a.txt")) session.requestStop();
  };
  EXPECT_FALSE(session.extractAll(dir.file("back")));
  EXPECT_TRUE(reporter.shown.empty());
  EXPECT_FALSE(session.busy());
  EXPECT_EQ(folderNames(dir.file("back/docs")), (std::vector<std::string>{"img"}));
  EXPECT_EQ(readAll(dir.file("back/docs/img/b.bin")), readAll(dir.file("src/docs/img/b.bin")));

  listener.onStatus = nullptr;
  reporter.answers = {true};  // b.bin is there already
  ASSERT_TRUE(session.extractAll(dir.file("back")));
  EXPECT_EQ(reporter.shownIds(), (std::vector<MessageId>{MessageId::kExtractionCompleted}));
  EXPECT_EQ(readAll(dir.file("back/docs/a.txt")), readAll(dir.file("src/docs/a.txt")));
}

TEST_F(UnhidingSessionTest, FoldersDifferingOnlyInCaseStayApart) {
  std::filesystem::create_directories(dir.file("src/one/Docs"));
  std::filesystem::create_directories(dir.file("src/two/docs"));
  writeAll(dir.file("src/one/Docs/a.txt"), {'A'});
  writeAll(dir.file("src/two/docs/b.txt"), {'B'});
  std::vector<std::string> carriers = {makeCarrier("a.wav", 12000, 1)};
  HidingSession hiding(workspace, listener);
  ASSERT_TRUE(hiding.addSource(dir.file("src/one/Docs")));
  ASSERT_TRUE(hiding.addSource(dir.file("src/two/docs")));
  ASSERT_TRUE(hiding.buildStream(options));
  ASSERT_TRUE(hiding.addCarriers(carriers, options, nullptr));
  ASSERT_TRUE(hiding.writeCarriers(dir.file("out"), options));
  UnhidingSession session(workspace, listener);
  ASSERT_TRUE(session.addCarriers(targetsOf(carriers), options, nullptr));
  ASSERT_TRUE(session.unhide(options));
  const ExtractionFolder& root = session.tree().root();
  ASSERT_EQ(root.subfolders.size(), 2u);
  EXPECT_NE(root.subfolders[0]->name, root.subfolders[1]->name);
  EXPECT_EQ(root.subfolders[0]->files.size(), 1u);
  EXPECT_EQ(root.subfolders[1]->files.size(), 1u);
}

TEST_F(UnhidingSessionTest, CarriersNotTakenAreNamedInOrderAndAStoppedGatheringLeavesNothing) {
  makeSources();
  auto targets = hideSources(threeCarriers("a.wav", "b.wav", "c.wav"));
  writeAll(dir.file("notes.txt"), {'x'});
  UnhidingSession session(workspace, listener);
  std::vector<std::string> notUsed;
  ASSERT_TRUE(session.addCarriers({targets[0], dir.file("notes.txt"), targets[0], targets[1]},
                                  options,
                                  [&](const std::string& path) { notUsed.push_back(path); }));
  EXPECT_EQ(notUsed, (std::vector<std::string>{dir.file("notes.txt"), targets[0]}));
  EXPECT_EQ(reporter.shownIds(), (std::vector<MessageId>{MessageId::kCarrierAlreadyAdded}));
  EXPECT_EQ(session.carriers().size(), 2u);
  // Stopped while gathering: no message and no temporary file.
  listener.onProgress = [&session](uint8_t) { session.requestStop(); };
  EXPECT_FALSE(session.unhide(options));
  EXPECT_EQ(reporter.shown.size(), 1u);
  EXPECT_EQ(listener.completions, (std::vector<JobCompletion>{JobCompletion::kFailedOrStopped}));
  EXPECT_TRUE(tempFolderEmpty());
}

}  // namespace
}  // namespace murl::test
