#include "jobs/unhiding_job.h"

#include <sys/stat.h>

#include "hiding_job_fixture.h"

namespace murl::test {
namespace {

class UnhidingJobTest : public JobTest {
 protected:
  // Hides src/ into a.wav, b.wav, c.wav (list order) and returns the targets in that order.
  std::vector<CarrierEntry> hideSources() {
    auto carriers = threeCarriers("a.wav", "b.wav", "c.wav");
    HidingJob job(workspace, listener);
    EXPECT_TRUE(buildStream(job));
    EXPECT_TRUE(job.writeCarriers(carriers, dir.file("out")));
    listener.commands.clear();
    return targetsOf(carriers);
  }

  void expectInvalidData(UnhidingJob& job, const std::vector<CarrierEntry>& carriers) {
    EXPECT_FALSE(job.run(carriers));
    EXPECT_EQ(reporter.shownIds(), (std::vector<MessageId>{MessageId::kInvalidData}));
    EXPECT_EQ(listener.commands, (std::vector<JobCommand>{JobCommand::kFailedOrStopped}));
    EXPECT_TRUE(tempFolderEmpty());
    reporter.clear();
    listener.commands.clear();
    workspace.stop = false;
  }
};

TEST_F(UnhidingJobTest, MissingReorderedCarriersOrAWrongPasswordAreInvalidData) {
  makeSources();
  auto targets = hideSources();
  UnhidingJob job(workspace, listener);
  expectInvalidData(job, {targets[0], targets[2]});
  expectInvalidData(job, {targets[1], targets[0], targets[2]});
  workspace.password.take("another password of 30 letters");
  expectInvalidData(job, targets);
}

TEST_F(UnhidingJobTest, SelectedItemsComeOutWithTheirSubtreesOnly) {
  makeSources();
  auto targets = hideSources();
  UnhidingJob job(workspace, listener);
  ASSERT_TRUE(job.run(targets));
  EXPECT_EQ(listener.commands, (std::vector<JobCommand>{JobCommand::kFilesListed}));
  EXPECT_FALSE(tempFolderEmpty());  // the decoded stream stays for extraction
  const ExtractionFolder& root = job.tree().root();
  ASSERT_EQ(root.subfolders.size(), 1u);  // docs
  ASSERT_EQ(root.files.size(), 1u);       // empty.txt
  const ExtractionFolder& docs = *root.subfolders[0];
  ASSERT_EQ(docs.name, "docs");
  // Item 0 of docs is its subfolder img; a.txt is not asked for.
  ASSERT_TRUE(job.extractSelected(docs, {0}, dir.file("back")));
  EXPECT_EQ(folderNames(dir.file("back")), (std::vector<std::string>{"img"}));
  EXPECT_EQ(readAll(dir.file("back/img/b.bin")), readAll(dir.file("src/docs/img/b.bin")));
  job.release();
  EXPECT_TRUE(tempFolderEmpty());
}

TEST_F(UnhidingJobTest, NoToOverwritingLeavesTheExistingFileAndStops) {
  makeSources();
  auto targets = hideSources();
  UnhidingJob job(workspace, listener);
  ASSERT_TRUE(job.run(targets));
  std::filesystem::create_directory(dir.file("back/docs"));
  writeAll(dir.file("back/docs/a.txt"), {'m', 'i', 'n', 'e'});
  reporter.answers = {false};
  EXPECT_FALSE(job.extractAll(dir.file("back")));
  EXPECT_EQ(reporter.askedIds(), (std::vector<MessageId>{MessageId::kFileExistsOverwrite}));
  EXPECT_TRUE(reporter.shown.empty());
  EXPECT_EQ(readAll(dir.file("back/docs/a.txt")), (std::vector<uint8_t>{'m', 'i', 'n', 'e'}));
  // Yes: the folder that exists is reused, the file replaced.
  reporter.answers = {true, true};
  EXPECT_TRUE(job.extractAll(dir.file("back")));
  EXPECT_EQ(readAll(dir.file("back/docs/a.txt")), readAll(dir.file("src/docs/a.txt")));
}

TEST_F(UnhidingJobTest, AFailedWriteLeavesNoPartOfItAndTheOlderFileAsItWas) {
  makeSources();
  auto targets = hideSources();
  UnhidingJob job(workspace, listener);
  ASSERT_TRUE(job.run(targets));
  std::filesystem::create_directories(dir.file("back/docs/img"));
  writeAll(dir.file("back/docs/img/b.bin"), {'o', 'l', 'd'});
  ::chmod(dir.file("back/docs/img/b.bin").c_str(), 0);  // not even readable: still asked about
  reporter.answers = {true};
  files.failFrom(FsCall::kWrite);
  EXPECT_FALSE(job.extractAll(dir.file("back")));
  files.heal();
  EXPECT_EQ(reporter.askedIds(), (std::vector<MessageId>{MessageId::kFileExistsOverwrite}));
  EXPECT_EQ(reporter.shownIds(), (std::vector<MessageId>{MessageId::kCouldntWriteFile}));
  EXPECT_EQ(folderNames(dir.file("back/docs/img")), (std::vector<std::string>{"b.bin"}));
  ::chmod(dir.file("back/docs/img/b.bin").c_str(), 0444);
  EXPECT_EQ(readAll(dir.file("back/docs/img/b.bin")), (std::vector<uint8_t>{'o', 'l', 'd'}));

  // Yes replaces the older file even when it is read-only: the user asked for it.
  reporter.clear();
  reporter.answers = {true};
  EXPECT_TRUE(job.extractAll(dir.file("back")));
  EXPECT_EQ(readAll(dir.file("back/docs/img/b.bin")), readAll(dir.file("src/docs/img/b.bin")));
  EXPECT_EQ(folderNames(dir.file("back/docs/img")), (std::vector<std::string>{"b.bin"}));
}

TEST_F(UnhidingJobTest, ReadOnlyAttributeIsRestored) {
  makeSources();
  ::chmod(dir.file("src/docs/a.txt").c_str(), 0444);
  auto targets = hideSources();
  UnhidingJob job(workspace, listener);
  ASSERT_TRUE(job.run(targets));
  ASSERT_TRUE(job.extractAll(dir.file("back")));
  struct stat st {};
  ASSERT_EQ(::stat(dir.file("back/docs/a.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0222, 0u);
  ASSERT_EQ(::stat(dir.file("back/empty.txt").c_str(), &st), 0);
  EXPECT_NE(st.st_mode & 0200, 0u);
}

TEST_F(UnhidingJobTest, FoldersDifferingOnlyInCaseStayApart) {
  std::filesystem::create_directories(dir.file("src/one/Docs"));
  std::filesystem::create_directories(dir.file("src/two/docs"));
  writeAll(dir.file("src/one/Docs/a.txt"), {'A'});
  writeAll(dir.file("src/two/docs/b.txt"), {'B'});
  std::vector<CarrierEntry> carriers = {makeCarrier("a.wav", 12000, 1)};
  SourceTree tree;
  bool added = false;
  tree.scanFolder(workspace, tree.root(), dir.file("src/one"), added);
  tree.scanFolder(workspace, tree.root(), dir.file("src/two"), added);
  tree.sort();
  HidingJob hide(workspace, listener);
  ASSERT_TRUE(hide.buildStream(tree));
  ASSERT_TRUE(hide.writeCarriers(carriers, dir.file("out")));
  UnhidingJob job(workspace, listener);
  ASSERT_TRUE(job.run(targetsOf(carriers)));
  const ExtractionFolder& root = job.tree().root();
  ASSERT_EQ(root.subfolders.size(), 2u);
  EXPECT_NE(root.subfolders[0]->name, root.subfolders[1]->name);
  EXPECT_EQ(root.subfolders[0]->files.size(), 1u);
  EXPECT_EQ(root.subfolders[1]->files.size(), 1u);
}

TEST_F(UnhidingJobTest, StoppedGatheringLeavesNoTemporaryFile) {
  makeSources();
  auto targets = hideSources();
  listener.onProgress = [this](uint8_t) { workspace.stop = true; };
  UnhidingJob job(workspace, listener);
  EXPECT_FALSE(job.run(targets));
  EXPECT_TRUE(reporter.shown.empty());
  EXPECT_EQ(listener.commands, (std::vector<JobCommand>{JobCommand::kFailedOrStopped}));
  EXPECT_TRUE(tempFolderEmpty());
}

}  // namespace
}  // namespace murl::test
