#include "core/worker_reporter.h"

#include <gtest/gtest.h>

#include <future>

#include "support/recording_reporter.h"
#include "support/task_queue.h"

namespace murl::test {
namespace {

const Message kQuestion{MessageId::kFileExistsOverwrite, "Warning", "File already exists!"};
const Message kWarning{MessageId::kCouldntWriteFile, "Warning", "Couldn't write file!"};

class WorkerReporterTest : public ::testing::Test {
 protected:
  RecordingReporter direct;
  TaskQueue queue;
  WorkerReporter reporter{direct, [this](std::function<void()> task) { queue.post(task); }};
};

TEST_F(WorkerReporterTest, ClosingAnswersNoNowAndLater) {
  auto worker = std::async(std::launch::async, [this] { return reporter.askYesNo(kQuestion); });
  std::function<void()> task;
  ASSERT_TRUE(queue.take(task));
  reporter.close();
  EXPECT_FALSE(worker.get());
  direct.answers = {true};
  task();  // an answer given after the close reaches nobody
  auto later = std::async(std::launch::async, [this] { return reporter.askYesNo(kQuestion); });
  EXPECT_FALSE(later.get());
  EXPECT_FALSE(queue.take(task, std::chrono::milliseconds(0)));
}

// A worker's questions waiting for their answer are proved by the session thread tests.
TEST_F(WorkerReporterTest, WorkerMessagesArePostedFrontEndMessagesShownAtOnce) {
  std::async(std::launch::async, [this] { reporter.warn(kWarning); }).get();
  EXPECT_TRUE(direct.shown.empty());
  std::function<void()> task;
  ASSERT_TRUE(queue.take(task));
  task();
  EXPECT_EQ(direct.shownIds(), std::vector<MessageId>{MessageId::kCouldntWriteFile});

  direct.answers = {true};
  EXPECT_TRUE(reporter.askYesNo(kQuestion));
  reporter.error(kWarning);
  EXPECT_EQ(direct.shown.size(), 2u);
  EXPECT_FALSE(queue.take(task, std::chrono::milliseconds(0)));
}

}  // namespace
}  // namespace murl::test
