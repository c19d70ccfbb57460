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

// A worker's question waits on the front end's thread for its answer, or for the close, which
// answers No at once and to every later question.
TEST_F(WorkerReporterTest, AQuestionWaitsForTheAnswerOrTheClose) {
  std::function<void()> task;
  for (bool closing : {false, true}) {
    SCOPED_TRACE(closing ? "closed" : "answered");
    auto worker = std::async(std::launch::async, [this] { return reporter.askYesNo(kQuestion); });
    ASSERT_TRUE(queue.take(task));
    EXPECT_EQ(worker.wait_for(std::chrono::milliseconds(10)), std::future_status::timeout);
    if (closing) reporter.close();
    direct.answers = {true};
    task();  // Yes; after the close it reaches nobody
    EXPECT_EQ(worker.get(), !closing);
  }
  auto later = std::async(std::launch::async, [this] { return reporter.askYesNo(kQuestion); });
  EXPECT_FALSE(later.get());
  EXPECT_FALSE(queue.take(task, std::chrono::milliseconds(0)));
}

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
