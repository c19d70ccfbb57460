#include "jobs/hiding_session.h"

#include <optional>

#include "session_fixture.h"
#include "support/thread_count.h"

namespace murl::test {
namespace {

class HidingSessionTest : public SessionTest {
 protected:
  // src/ as the sources, its stream built, and three carriers of these names added.
  void prepare(const char* a = "a.wav", const char* b = "b.wav", const char* c = "c.wav") {
    makeSources();
    carriers = threeCarriers(a, b, c);
    ASSERT_TRUE(prepareHiding(session, carriers));
  }

  HidingSession session{workspace, listener};
  std::vector<std::string> carriers;
};

TEST_F(HidingSessionTest, WritesInNameOrderKeepsTheReportAndUnhidesInListOrder) {
  prepare("b.wav", "A.wav", "c.wav");
  EXPECT_EQ(session.missingBits(), 0u);
  EXPECT_TRUE(session.outOfRangeCheck());
  uint32_t sessionNumber = workspace.sessionNumber;
  ASSERT_TRUE(session.writeCarriers(dir.file("out"), options));
  EXPECT_EQ(workspace.sessionNumber, sessionNumber + 1);
  EXPECT_EQ(listener.completions, (std::vector<JobCompletion>{JobCompletion::kStreamBuilt,
                                                              JobCompletion::kCarriersWritten}));
  EXPECT_EQ(listener.targets,
            (std::vector<std::string>{dir.file("out/A.wav"), dir.file("out/b.wav"),
                                      dir.file("out/c.wav")}));
  EXPECT_EQ(session.plan()[0].carrierIndex, 1);  // A.wav was second in the list
  EXPECT_TRUE(reporter.shown.empty());
  // The report lists the carriers in list order, with the formats used.
  std::string report = session.report();
  EXPECT_LT(report.find("#00000:   b.wav"), report.find("#00001:   A.wav"));
  EXPECT_NE(report.find("WAV bits selection level: Medium"), std::string::npos);
  EXPECT_EQ(report.find("BMP"), std::string::npos);
  EXPECT_NE(session.report(true).find("Password: <" + std::string(24, '*') + ">"),
            std::string::npos);
  // Discarding the stream keeps what the report is made of.
  session.discardStream();
  EXPECT_TRUE(tempFolderEmpty());
  EXPECT_EQ(session.sources().fileCount(), 0u);
  EXPECT_EQ(session.carriers().size(), 3u);
  EXPECT_EQ(session.report(), report);
  session.reset();
  EXPECT_TRUE(tempFolderEmpty());
  EXPECT_EQ(session.carriers().size(), 0u);
  expectSourcesBack(targetsOf(carriers));
}

TEST_F(HidingSessionTest, ProgressMovesOverTheCarriersInPlanOrder) {
  prepare("b.wav", "A.wav", "c.wav");
  listener.sources.clear();
  listener.percents.clear();
  ASSERT_TRUE(session.writeCarriers(dir.file("out"), options));
  // Plan order is the folded name order; each carrier moves the bar over its third.
  EXPECT_EQ(listener.sources, (std::vector<std::string>{carriers[1], carriers[0], carriers[2]}));
  const auto& percents = listener.percents;
  EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
  EXPECT_EQ(percents.front(), 0);
  EXPECT_EQ(percents.back(), 100);
  for (uint8_t border : {33, 66})
    EXPECT_NE(std::find(percents.begin(), percents.end(), border), percents.end()) << +border;
}

TEST_F(HidingSessionTest, OneBitTooFewIsRefusedBeforeAnythingIsWrittenAndNoneTooFewHidesAll) {
  makeSources();
  HidingSession measuring(workspace, listener);
  ASSERT_TRUE(prepareHiding(measuring, {}));
  const uint32_t bits = measuring.streamBits();  // the same tree gives a stream of the same size
  carriers = {makeExactCarrier("short.wav", bits - 1, 1)};
  ASSERT_TRUE(prepareHiding(session, carriers));
  EXPECT_EQ(session.missingBits(), 1u);
  EXPECT_FALSE(session.writeCarriers(dir.file("out"), options));
  EXPECT_EQ(reporter.shownIds(), (std::vector<MessageId>{MessageId::kInsufficientCarrierBits}));
  EXPECT_EQ(listener.completions.back(), JobCompletion::kFailedOrStopped);
  EXPECT_TRUE(folderNames(dir.file("out")).empty());
  // A carrier of exactly the stream's bits holds it to its last bit, and gives it back.
  reporter.clear();
  HidingSession exact(workspace, listener);
  carriers = {makeExactCarrier("exact.wav", bits, 2)};
  ASSERT_TRUE(prepareHiding(exact, carriers));
  EXPECT_EQ(exact.missingBits(), 0u);
  // Once the stream has room no carrier more is tried: one message, every other one not used.
  std::vector<std::string> notUsed;
  ASSERT_TRUE(exact.addCarriers({makeCarrier("x.wav", 2000, 3), makeCarrier("y.wav", 2000, 4)},
                                options,
                                [&](const std::string& path) { notUsed.push_back(path); }));
  EXPECT_EQ(notUsed.size(), 2u);
  EXPECT_EQ(reporter.shownIds(), (std::vector<MessageId>{MessageId::kEnoughCarriers}));
  reporter.clear();
  ASSERT_TRUE(exact.writeCarriers(dir.file("out"), options));
  expectSourcesBack(targetsOf(carriers));
}

// A file or a link at a target's name: No ends the job with no message and what is there as it
// was; the failure leaves the stop flag set, and the next job of the session runs all the same.
// Yes replaces a link, never writes through it.
TEST_F(HidingSessionTest, NoToOverwritingKeepsWhatIsThereAndYesReplacesIt) {
  prepare();
  std::filesystem::create_directory(dir.file("elsewhere"));
  const std::vector<uint8_t> victim = {'v'}, old = {1, 2, 3};
  writeAll(dir.file("elsewhere/victim.wav"), victim);
  for (bool link : {false, true}) {
    SCOPED_TRACE(link ? "link" : "file");
    for (const std::string& name : folderNames(dir.file("out")))
      std::filesystem::remove(dir.file("out/" + name));
    if (link) {
      std::filesystem::create_symlink("../elsewhere/victim.wav", dir.file("out/b.wav"));
    } else {
      writeAll(dir.file("out/b.wav"), old);
    }
    reporter.clear();
    reporter.answers = {false};
    EXPECT_FALSE(session.writeCarriers(dir.file("out"), options));
    EXPECT_EQ(reporter.askedIds(), (std::vector<MessageId>{MessageId::kTargetExistsOverwrite}));
    EXPECT_TRUE(reporter.shown.empty());
    EXPECT_EQ(listener.completions.back(), JobCompletion::kFailedOrStopped);
    EXPECT_TRUE(workspace.stop);
    EXPECT_EQ(folderNames(dir.file("out")), (std::vector<std::string>{"a.wav", "b.wav"}));
    EXPECT_EQ(readAll(dir.file("out/b.wav")), link ? victim : old);

    reporter.answers = {true, true};  // a.wav, written before the No, and b.wav
    ASSERT_TRUE(session.writeCarriers(dir.file("out"), options));
    EXPECT_EQ(listener.completions.back(), JobCompletion::kCarriersWritten);
    EXPECT_FALSE(std::filesystem::is_symlink(dir.file("out/b.wav")));
    EXPECT_EQ(readAll(dir.file("elsewhere/victim.wav")), victim);
  }
  expectSourcesBack(targetsOf(carriers));
}

TEST_F(HidingSessionTest, AFailingThirdCarrierLeavesNoTargetOfThatName) {
  prepare();
  writeAll(dir.file("out/c.wav"), {'o', 'l', 'd'});
  reporter.answers = {true};
  // The third source loses its tail after it was counted: its hide runs out of samples.
  auto bytes = readAll(carriers[2]);
  bytes.resize(bytes.size() / 2);
  writeAll(carriers[2], bytes);
  EXPECT_FALSE(session.writeCarriers(dir.file("out"), options));
  EXPECT_EQ(reporter.shown.size(), 1u);
  EXPECT_EQ(folderNames(dir.file("out")), (std::vector<std::string>{"a.wav", "b.wav", "c.wav"}));
  EXPECT_EQ(readAll(dir.file("out/c.wav")), (std::vector<uint8_t>{'o', 'l', 'd'}));
  EXPECT_EQ(listener.completions.back(), JobCompletion::kFailedOrStopped);
}

TEST_F(HidingSessionTest, AnOutputFolderInUseByAnotherJobIsLeftAlone) {
  prepare();
  platform::Folder held = platform::realFileSystem().openFolder(dir.file("out"));
  ASSERT_TRUE(held.lock());
  EXPECT_FALSE(session.writeCarriers(dir.file("out"), options));
  EXPECT_EQ(reporter.shownIds(), (std::vector<MessageId>{MessageId::kOutputFolderBusy}));
  EXPECT_TRUE(folderNames(dir.file("out")).empty());
  held.close();
  EXPECT_TRUE(session.writeCarriers(dir.file("out"), options));
}

TEST_F(HidingSessionTest, ATargetThatIsItsSourceIsRefusedBeforeAnythingIsWritten) {
  prepare();
  const auto before = readAll(carriers[0]);
  std::filesystem::create_directory_symlink(dir.file("carriers"), dir.file("link"));
  // A target that would be another carrier of the job, by a link or a second name: writing the
  // first target would destroy the second carrier before it is read.
  const struct {
    const char* what;
    std::string out;
    std::function<void(const std::filesystem::path&, const std::filesystem::path&)> link;
  } rows[] = {
      {"the carriers' folder", dir.file("carriers"), nullptr},
      {"a link to that folder", dir.file("link"), nullptr},
      {"a link to another carrier", dir.file("out"),
       [](const auto& to, const auto& at) { std::filesystem::create_symlink(to, at); }},
      {"another name of it", dir.file("out"),
       [](const auto& to, const auto& at) { std::filesystem::create_hard_link(to, at); }},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    std::filesystem::remove(dir.file("out/a.wav"));
    if (row.link) row.link(carriers[1], dir.file("out/a.wav"));
    reporter.clear();
    reporter.answers = {true};
    EXPECT_FALSE(session.writeCarriers(row.out, options));
    EXPECT_EQ(reporter.shownIds(), (std::vector<MessageId>{MessageId::kTargetIsSource}));
    EXPECT_TRUE(reporter.asked.empty());
    EXPECT_EQ(readAll(carriers[0]), before);
    EXPECT_EQ(folderNames(dir.file("out")).size(), row.link ? 1u : 0u);
  }
}

TEST_F(HidingSessionTest, AStoppedJobLeavesNothingBehindAndTheNextJobRuns) {
  makeSources(200000);
  ASSERT_TRUE(session.addSource(dir.file("src/docs")));
  listener.onProgress = [this](uint8_t) { session.requestStop(); };
  EXPECT_FALSE(session.buildStream(options));
  EXPECT_TRUE(reporter.shown.empty());
  EXPECT_EQ(listener.completions, (std::vector<JobCompletion>{JobCompletion::kFailedOrStopped}));
  EXPECT_TRUE(tempFolderEmpty());
  EXPECT_FALSE(session.busy());

  listener.onProgress = nullptr;
  ASSERT_TRUE(session.buildStream(options));
  EXPECT_EQ(listener.completions.back(), JobCompletion::kStreamBuilt);
  EXPECT_GT(session.streamBits(), 200000u * 8);
}

TEST_F(HidingSessionTest, ClosingWhileWritingPostsNothing) {
  prepare();
  workspace.closing = true;
  EXPECT_FALSE(session.writeCarriers(dir.file("out"), options));
  EXPECT_EQ(listener.completions, (std::vector<JobCompletion>{JobCompletion::kStreamBuilt}));
  EXPECT_TRUE(folderNames(dir.file("out")).empty());
  EXPECT_FALSE(session.busy());
}

TEST_F(HidingSessionTest, AJobKeepsTheOptionsItStartedWith) {
  options.setLevel(LevelFormat::kWav, 4);
  prepare();
  // The front end edits its own options while the first carrier is written.
  listener.onProgress = [this](uint8_t) { options.setLevel(LevelFormat::kWav, 6); };
  ASSERT_TRUE(session.writeCarriers(dir.file("out"), options));
  EXPECT_EQ(workspace.options.level(LevelFormat::kWav), 4);  // what the handlers read
  EXPECT_NE(session.report().find("WAV bits selection level: High"), std::string::npos);
  listener.onProgress = nullptr;
  options.setLevel(LevelFormat::kWav, 4);
  expectSourcesBack(targetsOf(carriers));
}

// Each target is read back through the unnamed file just written, from its start, before it is
// named: beside the writing where the disk allows, after it where not, and after it again when
// the reading beside it failed or differed. A disk that alters what is written (here every
// sample's unit bit flipped) fails the hide with the message and leaves no target either way;
// an honest target passes with or without the read-back, and without it nothing notices the
// alteration.
TEST_F(HidingSessionTest, TargetsReadBackOtherwiseThanWrittenFailTheHideAndGo) {
  prepare();
  const struct {
    bool verify, beside, readsBesideFail, altered;
    std::optional<MessageId> message;
  } rows[] = {
      {true, true, false, false, std::nullopt},
      {true, false, false, false, std::nullopt},
      {true, true, true, false, std::nullopt},
      {false, true, false, false, std::nullopt},
      {true, true, false, true, MessageId::kTargetNotAsWritten},
      {true, false, false, true, MessageId::kTargetNotAsWritten},
      {false, true, false, true, std::nullopt},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::to_string(row.verify) + std::to_string(row.beside) +
                 std::to_string(row.readsBesideFail) + std::to_string(row.altered));
    const std::string out = dir.file("out/") + std::to_string(&row - rows);
    std::filesystem::create_directory(out);
    files.readAtWhileWritten(row.beside);
    if (row.readsBesideFail) files.failFrom(FsCall::kReadAt);
    if (row.altered) {
      files.alterWrites([](uint64_t offset, uint8_t* bytes, size_t count) {
        for (size_t i = 0; i < count; ++i)
          if (offset + i >= 44 && (offset + i) % 2 == 0) bytes[i] ^= 1;  // samples past the head
      });
    }
    const uint64_t readsAt = files.calls(FsCall::kReadAt);
    EXPECT_EQ(session.writeCarriers(out, options, row.verify), !row.message);
    files.alterWrites(nullptr);
    files.heal();
    EXPECT_EQ(files.calls(FsCall::kReadAt) > readsAt, row.verify && row.beside);
    if (row.message) {
      EXPECT_EQ(reporter.shownIds(), std::vector<MessageId>{*row.message});
      EXPECT_TRUE(folderNames(out).empty());
    } else {
      EXPECT_TRUE(reporter.shown.empty());
      EXPECT_EQ(folderNames(out).size(), 3u);
    }
    reporter.clear();
  }
}

// A stop while a target is written, or while it is read back beside the writing, leaves no
// target, no thread and no temporary file, and the next job writes every target.
TEST_F(HidingSessionTest, AStopWhileATargetIsWrittenOrReadBackLeavesNothingBehind) {
  prepare();
  const size_t threadsBefore = threadCount();
  // The first carrier's third of the bar: written in its first half, read back in its second.
  for (uint8_t stopAt : {1, 17}) {
    SCOPED_TRACE(+stopAt);
    const std::string out = dir.file("out/") + std::to_string(stopAt);
    std::filesystem::create_directory(out);
    listener.onProgress = [&](uint8_t percent) {
      if (percent >= stopAt) session.requestStop();
    };
    listener.completions.clear();
    EXPECT_FALSE(session.writeCarriers(out, options));
    EXPECT_EQ(listener.completions, std::vector<JobCompletion>{JobCompletion::kFailedOrStopped});
    EXPECT_TRUE(reporter.shown.empty());
    EXPECT_TRUE(folderNames(out).empty());
    EXPECT_EQ(threadCount(), threadsBefore);
  }
  listener.onProgress = nullptr;
  EXPECT_TRUE(session.writeCarriers(dir.file("out"), options));
  expectSourcesBack(targetsOf(carriers));
}

}  // namespace
}  // namespace murl::test
