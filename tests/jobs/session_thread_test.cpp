// A session's job on a worker thread, with its questions answered from the test's thread as a
// desktop front end answers them from its own.
#include <future>

#include "core/worker_reporter.h"
#include "session_fixture.h"
#include "support/task_queue.h"

namespace murl::test {
namespace {

class SessionThreadTest : public SessionTest {
 protected:
  SessionThreadTest() {
    threaded.tempFolder = workspace.tempFolder;
    threaded.password.take("a password of 24 letters");
    makeSources();
    carriers = threeCarriers("a.wav", "b.wav", "c.wav");
    writeAll(dir.file("out/b.wav"), {1, 2, 3});
  }

  // Writes the carriers on a worker thread; the test's thread handles what the worker posts.
  std::future<bool> writeOnAWorker(HidingSession& session) {
    EXPECT_TRUE(prepareHiding(session, carriers));
    return std::async(std::launch::async,
                      [&] { return session.writeCarriers(dir.file("out"), options); });
  }

  TaskQueue queue;
  WorkerReporter worker{reporter, [this](std::function<void()> task) { queue.post(task); }};
  Workspace threaded{worker, Language::kEnglish};
  std::vector<std::string> carriers;
};

TEST_F(SessionThreadTest, TheWorkerWaitsForTheAnswerFromTheFrontEndsThread) {
  HidingSession session(threaded, listener);
  auto written = writeOnAWorker(session);
  reporter.answers = {true};
  std::function<void()> task;
  ASSERT_TRUE(queue.take(task));
  task();  // asks and answers Yes
  ASSERT_TRUE(written.get());
  EXPECT_FALSE(session.busy());
  EXPECT_EQ(reporter.askedIds(), std::vector<MessageId>{MessageId::kTargetExistsOverwrite});
  EXPECT_EQ(listener.completions.back(), JobCompletion::kCarriersWritten);
  EXPECT_NE(readAll(dir.file("out/b.wav")), (std::vector<uint8_t>{1, 2, 3}));
}

}  // namespace
}  // namespace murl::test
