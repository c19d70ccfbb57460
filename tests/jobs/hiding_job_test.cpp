#include "jobs/hiding_job.h"

#include <sys/stat.h>

#include "hiding_job_fixture.h"

namespace murl::test {
namespace {

TEST(HidingPlan, SortsByFoldedNameKeepingListIndexAndShares) {
  std::vector<CarrierEntry> carriers = {{CarrierType::kWav, 100, {}, "/x/b.wav"},
                                        {CarrierType::kBmpColour, 100, {}, "/y/A.bmp"},
                                        {CarrierType::kWav, 100, {}, "/z/a.bmp.wav"}};
  auto plan = buildPlan(carriers, 250);
  ASSERT_EQ(plan.size(), 3u);
  EXPECT_EQ(plan[0].targetName, "A.bmp");  // a leading part sorts first
  EXPECT_EQ(plan[0].carrierIndex, 1);
  EXPECT_EQ(plan[0].share.startBit, 100u);
  EXPECT_EQ(plan[1].targetName, "a.bmp.wav");
  EXPECT_EQ(plan[1].share.streamBits, 50u);
  EXPECT_EQ(plan[2].targetName, "b.wav");
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

class HidingJobTest : public JobTest {};

TEST_F(HidingJobTest, WritesInNameOrderAndUnhidesInListOrder) {
  makeSources();
  auto carriers = threeCarriers("b.wav", "A.wav", "c.wav");
  HidingJob job(workspace, listener);
  ASSERT_TRUE(buildStream(job));
  ASSERT_GT(job.streamBits(), carriers[0].carrierBits + carriers[1].carrierBits);
  uint32_t session = workspace.sessionNumber;
  ASSERT_TRUE(job.writeCarriers(carriers, dir.file("out")));
  EXPECT_EQ(workspace.sessionNumber, session + 1);
  EXPECT_EQ(listener.commands,
            (std::vector<JobCommand>{JobCommand::kStreamBuilt, JobCommand::kCarriersWritten}));
  EXPECT_EQ(listener.targets,
            (std::vector<std::string>{dir.file("out/A.wav"), dir.file("out/b.wav"),
                                      dir.file("out/c.wav")}));
  EXPECT_EQ(job.plan()[0].carrierIndex, 1);  // A.wav was second in the list
  EXPECT_TRUE(reporter.shown.empty());
  job.discardStream();
  EXPECT_TRUE(tempFolderEmpty());

  ReportInput report = hidingReportInput(carriers, job.plan(), workspace);
  EXPECT_EQ(report.carriers[1].name, "A.wav");
  EXPECT_EQ(report.carriers[1].share, job.plan()[0].percentage);
  EXPECT_TRUE(report.formatUsed[static_cast<size_t>(LevelFormat::kWav)]);
  EXPECT_FALSE(report.formatUsed[static_cast<size_t>(LevelFormat::kBmp)]);

  UnhidingJob unhide(workspace, listener);
  ASSERT_TRUE(unhide.run(targetsOf(carriers)));
  ASSERT_TRUE(unhide.extractAll(dir.file("back")));
  for (const char* file : {"docs/a.txt", "docs/img/b.bin", "empty.txt"})
    EXPECT_EQ(readAll(dir.file("back/") + file), readAll(dir.file("src/") + file)) << file;
  EXPECT_EQ(reporter.shownIds(), (std::vector<MessageId>{MessageId::kExtractionCompleted}));
}

TEST_F(HidingJobTest, ProgressAndStatusFollowTheFilesReadThenTheCarriersWritten) {
  makeSources();
  auto carriers = threeCarriers("b.wav", "A.wav", "c.wav");
  HidingJob job(workspace, listener);
  ASSERT_TRUE(buildStream(job));
  EXPECT_EQ(listener.sources,
            (std::vector<std::string>{dir.file("src/empty.txt"), dir.file("src/docs/a.txt"),
                                      dir.file("src/docs/img/b.bin")}));
  ASSERT_FALSE(listener.percents.empty());
  EXPECT_TRUE(std::is_sorted(listener.percents.begin(), listener.percents.end()));
  EXPECT_EQ(listener.percents.back(), 100);

  listener.sources.clear();
  listener.percents.clear();
  ASSERT_TRUE(job.writeCarriers(carriers, dir.file("out")));
  // Plan order is the folded name order; the bar counts carriers written.
  EXPECT_EQ(listener.sources,
            (std::vector<std::string>{carriers[1].path, carriers[0].path, carriers[2].path}));
  EXPECT_EQ(listener.percents, (std::vector<uint8_t>{33, 66, 100}));
}

TEST_F(HidingJobTest, TooFewCarrierBitsAreRefusedBeforeAnythingIsWritten) {
  makeSources();
  auto carriers = threeCarriers("a.wav", "b.wav", "c.wav");
  carriers.pop_back();
  HidingJob job(workspace, listener);
  ASSERT_TRUE(buildStream(job));
  EXPECT_FALSE(job.writeCarriers(carriers, dir.file("out")));
  EXPECT_EQ(reporter.shownIds(), (std::vector<MessageId>{MessageId::kInsufficientCarrierBits}));
  EXPECT_EQ(listener.commands.back(), JobCommand::kFailedOrStopped);
  EXPECT_TRUE(folderNames(dir.file("out")).empty());
}

TEST_F(HidingJobTest, NoToOverwritingTheSecondTargetEndsTheJobWithoutAMessage) {
  makeSources();
  auto carriers = threeCarriers("a.wav", "b.wav", "c.wav");
  writeAll(dir.file("out/b.wav"), {1, 2, 3});
  HidingJob job(workspace, listener);
  ASSERT_TRUE(buildStream(job));
  reporter.answers = {false};
  EXPECT_FALSE(job.writeCarriers(carriers, dir.file("out")));
  EXPECT_EQ(reporter.askedIds(), (std::vector<MessageId>{MessageId::kTargetExistsOverwrite}));
  EXPECT_TRUE(reporter.shown.empty());
  EXPECT_EQ(listener.commands.back(), JobCommand::kFailedOrStopped);
  EXPECT_TRUE(workspace.stop);
  EXPECT_EQ(folderNames(dir.file("out")), (std::vector<std::string>{"a.wav", "b.wav"}));
  EXPECT_EQ(readAll(dir.file("out/b.wav")), (std::vector<uint8_t>{1, 2, 3}));
}

TEST_F(HidingJobTest, AFailingThirdCarrierLeavesNoTargetOfThatName) {
  makeSources();
  auto carriers = threeCarriers("a.wav", "b.wav", "c.wav");
  // The third source loses its tail after it was counted: its hide runs out of samples.
  auto bytes = readAll(carriers[2].path);
  bytes.resize(bytes.size() / 2);
  writeAll(carriers[2].path, bytes);
  HidingJob job(workspace, listener);
  ASSERT_TRUE(buildStream(job));
  EXPECT_FALSE(job.writeCarriers(carriers, dir.file("out")));
  EXPECT_EQ(reporter.shown.size(), 1u);
  EXPECT_EQ(folderNames(dir.file("out")), (std::vector<std::string>{"a.wav", "b.wav"}));
  EXPECT_EQ(listener.commands.back(), JobCommand::kFailedOrStopped);
}

TEST_F(HidingJobTest, ATargetThatIsItsSourceIsRefusedBeforeAnythingIsWritten) {
  makeSources();
  auto carriers = threeCarriers("a.wav", "b.wav", "c.wav");
  auto before = readAll(carriers[0].path);
  HidingJob job(workspace, listener);
  ASSERT_TRUE(buildStream(job));
  EXPECT_FALSE(job.writeCarriers(carriers, dir.file("carriers")));
  EXPECT_EQ(reporter.shownIds(), (std::vector<MessageId>{MessageId::kTargetIsSource}));
  EXPECT_TRUE(reporter.asked.empty());
  EXPECT_EQ(readAll(carriers[0].path), before);
  // Through a link to the folder too.
  std::filesystem::create_directory_symlink(dir.file("carriers"), dir.file("link"));
  reporter.clear();
  EXPECT_FALSE(job.writeCarriers(carriers, dir.file("link")));
  EXPECT_EQ(reporter.shownIds(), (std::vector<MessageId>{MessageId::kTargetIsSource}));
}

TEST_F(HidingJobTest, StopWhileBuildingTheStreamLeavesNoTemporaryFile) {
  makeSources(200000);
  listener.onProgress = [this](uint8_t) { workspace.stop = true; };
  HidingJob job(workspace, listener);
  EXPECT_FALSE(buildStream(job));
  EXPECT_TRUE(reporter.shown.empty());
  EXPECT_EQ(listener.commands, (std::vector<JobCommand>{JobCommand::kFailedOrStopped}));
  EXPECT_TRUE(tempFolderEmpty());
  EXPECT_FALSE(workspace.busy);
}

TEST_F(HidingJobTest, ClosingWhileWritingPostsNothing) {
  makeSources();
  auto carriers = threeCarriers("a.wav", "b.wav", "c.wav");
  HidingJob job(workspace, listener);
  ASSERT_TRUE(buildStream(job));
  workspace.closing = true;
  EXPECT_FALSE(job.writeCarriers(carriers, dir.file("out")));
  EXPECT_EQ(listener.commands, (std::vector<JobCommand>{JobCommand::kStreamBuilt}));
  EXPECT_TRUE(folderNames(dir.file("out")).empty());
}

}  // namespace
}  // namespace murl::test
