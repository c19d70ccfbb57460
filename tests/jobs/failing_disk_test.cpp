// The jobs on a disk that gives out: every open, create, read, write, seek, folder creation and
// rename a job makes fails in turn. Each time the job shows its one message, ends as failed, and
// leaves neither a temporary file nor a part-written target or extracted file behind.
#include <algorithm>
#include <filesystem>
#include <optional>
#include <set>

#include "carriers/identify.h"
#include "jobs/hiding_job.h"
#include "jobs/unhiding_job.h"
#include "session_fixture.h"

namespace murl::test {
namespace {

struct FailingCall {
  FsCall call;
  MessageId message;
};

class FailingDiskTest : public SessionTest {
 protected:
  // The tree of src/, scanned before anything is made to fail.
  void scanSources(SourceTree& tree) {
    makeSources();
    bool added = false;
    tree.scanFolder(workspace, tree.root(), dir.file("src"), added);
    tree.sort();
  }

  // The carriers at `paths`, identified for hiding.
  std::vector<CarrierEntry> entriesOf(const std::vector<std::string>& paths) {
    std::vector<CarrierEntry> entries;
    for (const std::string& path : paths) {
      IdentificationRecord record;
      EXPECT_TRUE(identify(path, IdentifyPurpose::kHiding, record, workspace)) << path;
      entries.push_back({record.type, record.carrierBits, record.parts, path});
    }
    return entries;
  }

  // Hides src/ in three carriers written into out/; `targets` gets them in list order.
  void hideSources(std::vector<CarrierEntry>& targets) {
    makeSources();
    const auto carriers = threeCarriers("a.wav", "b.wav", "c.wav");
    SessionTest::hideSources(carriers);
    targets = entriesOf(targetsOf(carriers));
  }

  // A fresh, empty folder for the next attempt's output.
  std::string freshFolder(const char* kind) {
    std::string folder = dir.file(std::string(kind) + "/" + std::to_string(attempts_++));
    std::filesystem::create_directories(folder);
    return folder;
  }

  // Clears what the last attempt left in the reporter, listener and flags.
  void startAttempt() {
    reporter.clear();
    listener.completions.clear();
    workspace.stop = false;
  }

  void expectFailedWith(MessageId message) { expectFailedWithOneOf({message}); }

  // The job ended as failed after showing exactly one message, one of `allowed`; returns it.
  std::optional<MessageId> expectFailedWithOneOf(const std::vector<MessageId>& allowed) {
    EXPECT_EQ(listener.completions, std::vector<JobCompletion>{JobCompletion::kFailedOrStopped});
    EXPECT_TRUE(workspace.stop);
    const std::vector<MessageId> shown = reporter.shownIds();
    EXPECT_EQ(shown.size(), 1u);
    if (shown.size() != 1) return std::nullopt;
    EXPECT_NE(std::find(allowed.begin(), allowed.end(), shown[0]), allowed.end())
        << static_cast<int>(shown[0]);
    return shown[0];
  }

 private:
  int attempts_ = 0;
};

TEST_F(FailingDiskTest, BuildingTheStreamLeavesNoTemporaryFile) {
  SourceTree tree;
  scanSources(tree);
  const FailingCall rows[] = {
      {FsCall::kCreate, MessageId::kCouldntWriteTempFile},
      {FsCall::kOpen, MessageId::kCouldntOpenFile},
      {FsCall::kRead, MessageId::kCouldntReadFile},
      {FsCall::kWrite, MessageId::kCouldntWriteTempFile},
      {FsCall::kSeek, MessageId::kCouldntWriteTempFile},  // back to the length field
  };
  std::optional<HidingJob> job;
  for (const FailingCall& row : rows) {
    SCOPED_TRACE(static_cast<int>(row.call));
    failEachCallInTurn(
        files, row.call,
        [&] {
          startAttempt();
          return job.emplace(workspace).buildStream(tree, listener);
        },
        [&](uint64_t, bool succeeded) {
          EXPECT_FALSE(succeeded);
          expectFailedWith(row.message);
          EXPECT_TRUE(tempFolderEmpty());
        },
        [&] { job.reset(); });
  }
  EXPECT_TRUE(tempFolderEmpty());
}

TEST_F(FailingDiskTest, WritingCarriersKeepsOnlyTheWholeTargetsBeforeTheFailingOne) {
  SourceTree tree;
  scanSources(tree);
  const auto carriers = entriesOf(threeCarriers("a.wav", "b.wav", "c.wav"));
  const std::vector<std::string> planned = {"a.wav", "b.wav", "c.wav"};
  HidingJob job(workspace);
  ASSERT_TRUE(job.buildStream(tree, listener));
  struct Row {
    FsCall call;
    std::vector<MessageId> shown;  // each shows at least once; the first when a target begins
    bool verify = false;
    bool readBackBeside = true;  // each target read back while it is written, or after
  };
  const Row rows[] = {
      {FsCall::kOpen, {MessageId::kCouldntOpenSourceFile}},
      {FsCall::kCreate, {MessageId::kCouldntCreateTargetFile}},
      {FsCall::kWrite, {MessageId::kCouldntWriteTargetFile}},
      // Each target begins with the rewind of the stream; the target is rewound to be read back.
      {FsCall::kSeek,
       {MessageId::kCouldntReadTempFile, MessageId::kCouldntReadSourceFile,
        MessageId::kCouldntWriteTargetFile, MessageId::kCouldntReadFile},
       true,
       false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(static_cast<int>(row.call));
    files.readAtWhileWritten(row.readBackBeside);
    // The calls of the kind made before each target was begun, in the run where nothing fails.
    std::vector<uint64_t> begun;
    listener.onStatus = [&](StatusLabel label, const std::string& text) {
      if (label == StatusLabel::kValue2 && !text.empty() && begun.size() < planned.size())
        begun.push_back(files.calls(row.call));
    };
    std::string out;
    std::set<MessageId> seen;
    failEachCallInTurn(
        files, row.call,
        [&] {
          startAttempt();
          out = freshFolder("out");
          return job.writeCarriers(carriers, out, listener, row.verify);
        },
        [&](uint64_t n, bool succeeded) {
          EXPECT_FALSE(succeeded);
          const std::optional<MessageId> shown = expectFailedWithOneOf(row.shown);
          if (shown) seen.insert(*shown);
          size_t whole = 0;  // targets finished before the failing call
          while (whole + 1 < begun.size() && begun[whole + 1] - begun[0] < n) ++whole;
          if (n == begun[whole] - begun[0] + 1) {
            EXPECT_EQ(shown, row.shown[0]) << n;
          }
          const std::vector<std::string> kept(planned.begin(), planned.begin() + whole);
          EXPECT_EQ(folderNames(out), kept);
          for (size_t i = 0; i < whole; ++i)
            EXPECT_EQ(readAll(out + "/" + kept[i]).size(), readAll(carriers[i].path).size());
        });
    EXPECT_EQ(seen, std::set<MessageId>(row.shown.begin(), row.shown.end()));
  }
  listener.onStatus = nullptr;
  job.discardStream();
  EXPECT_TRUE(tempFolderEmpty());
}

TEST_F(FailingDiskTest, UnhidingLeavesNoTemporaryFile) {
  std::vector<CarrierEntry> targets;
  ASSERT_NO_FATAL_FAILURE(hideSources(targets));
  const FailingCall rows[] = {
      {FsCall::kOpen, MessageId::kCouldntOpenCarrier},
      {FsCall::kCreate, MessageId::kCouldntWriteTempFile},
      {FsCall::kWrite, MessageId::kCouldntWriteTempFile},
      // A carrier; later reads and seeks are of temporary files.
      {FsCall::kRead, MessageId::kCouldntReadFile},
      {FsCall::kSeek, MessageId::kCouldntReadFile},
  };
  UnhidingJob job(workspace);
  for (const FailingCall& row : rows) {
    SCOPED_TRACE(static_cast<int>(row.call));
    // Calls made on the carriers, counted in the run where nothing fails: the job names the
    // first carrier before reading it and clears the title once they are all gathered.
    std::optional<uint64_t> firstCall, carrierCalls;
    listener.onStatus = [&](StatusLabel label, const std::string& text) {
      if (label == StatusLabel::kValue1 && !text.empty() && !firstCall)
        firstCall = files.calls(row.call);
      if (label == StatusLabel::kTitle1 && firstCall && !carrierCalls)
        carrierCalls = files.calls(row.call) - *firstCall;
    };
    failEachCallInTurn(
        files, row.call,
        [&] {
          startAttempt();
          return job.run(targets, listener);
        },
        [&](uint64_t n, bool succeeded) {
          // Temporary files have no name, whatever happens.
          EXPECT_TRUE(tempFolderEmpty());
          // The last write of a run is the zeros over the decoded stream: when they cannot be
          // written the file is let go all the same and the listing stands.
          if (row.call == FsCall::kWrite && succeeded) {
            EXPECT_TRUE(reporter.shown.empty());
            EXPECT_EQ(listener.completions,
                      std::vector<JobCompletion>{JobCompletion::kFilesListed});
            EXPECT_GT(job.tree().fileCount(), 0u);
            return;
          }
          EXPECT_FALSE(succeeded) << n;
          const bool onTempFile = row.message == MessageId::kCouldntReadFile &&
                                  carrierCalls.has_value() && n > *carrierCalls;
          expectFailedWith(onTempFile ? MessageId::kCouldntReadTempFile : row.message);
          EXPECT_EQ(job.tree().fileCount(), 0u);
        },
        [&] { job.release(); });
  }
  listener.onStatus = nullptr;
}

TEST_F(FailingDiskTest, ExtractingLeavesOnlyWholeFilesAndNoPartFile) {
  std::vector<CarrierEntry> targets;
  ASSERT_NO_FATAL_FAILURE(hideSources(targets));
  UnhidingJob job(workspace);
  ASSERT_TRUE(job.run(targets, listener));
  const FailingCall rows[] = {
      {FsCall::kCreateFolder, MessageId::kCouldntCreateFolder},
      {FsCall::kCreate, MessageId::kCouldntCreateFile},
      {FsCall::kRename, MessageId::kCouldntCreateFile},
      {FsCall::kWrite, MessageId::kCouldntWriteFile},
      {FsCall::kRead, MessageId::kCouldntReadTempFile},
      {FsCall::kSeek, MessageId::kCouldntReadTempFile},
  };
  for (const FailingCall& row : rows) {
    SCOPED_TRACE(static_cast<int>(row.call));
    std::string back;
    failEachCallInTurn(
        files, row.call,
        [&] {
          reporter.clear();
          back = freshFolder("back");
          return job.extractAll(back, listener);
        },
        [&](uint64_t, bool succeeded) {
          EXPECT_FALSE(succeeded);
          EXPECT_EQ(reporter.shownIds(), std::vector<MessageId>{row.message});
          // Every file extracted is a whole copy of its source.
          for (const auto& e : std::filesystem::recursive_directory_iterator(back)) {
            const auto relative = std::filesystem::relative(e.path(), back).string();
            if (e.is_regular_file()) {
              EXPECT_EQ(readAll(e.path()), readAll(dir.file("src/" + relative)));
            }
          }
        });
  }
  job.release();
  EXPECT_TRUE(tempFolderEmpty());
}

}  // namespace
}  // namespace murl::test
