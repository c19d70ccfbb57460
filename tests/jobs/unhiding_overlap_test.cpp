// An unhide decodes beside its gathering: a stop or the application closing at any point of
// either ends it without a message, leaves no temporary file and no thread, and the next unhide
// of the same carriers gives every file back.
#include "jobs/unhiding_session.h"
#include "session_fixture.h"
#include "support/thread_count.h"

namespace murl::test {
namespace {

enum class Moment : uint8_t { kSecondCarrier, kLastCarrierDone, kDecodingStage };

struct Row {
  const char* name;
  Moment moment;
  bool closing;  // the application closes rather than the user stopping
};

TEST_F(SessionTest, UnhideEndedInAnyStageLeavesNothingAndTheNextOneSucceeds) {
  makeSources(20000);
  const auto targets = hideSources({makeCarrier("a.wav", 70000, 1), makeCarrier("b.wav", 70000, 2),
                                    makeCarrier("c.wav", 70000, 3)});
  const Row rows[] = {
      {"stopped at the second carrier", Moment::kSecondCarrier, false},
      {"closing at the second carrier", Moment::kSecondCarrier, true},
      {"stopped as the last carrier ends", Moment::kLastCarrierDone, false},
      {"stopped as decoding begins", Moment::kDecodingStage, false},
      {"closing as decoding begins", Moment::kDecodingStage, true},
  };
  const size_t threadsBefore = threadCount();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    reporter.clear();
    listener.completions.clear();
    listener.stages.clear();
    UnhidingSession session(workspace, listener);
    ASSERT_TRUE(session.addCarriers(targets, options, nullptr));
    auto end = [&] { (row.closing ? workspace.closing : workspace.stop) = true; };
    listener.onStatus = [&](StatusLabel label, const std::string& text) {
      if (row.moment == Moment::kSecondCarrier && label == StatusLabel::kValue1 &&
          text == targets[1])
        end();
      if (row.moment == Moment::kLastCarrierDone && label == StatusLabel::kTitle1) end();
    };
    listener.onProgress = [&](uint8_t) {
      if (row.moment == Moment::kDecodingStage && !listener.stages.empty() &&
          listener.stages.back() == JobStage::kDecoding)
        end();
    };
    EXPECT_FALSE(session.unhide(options));
    listener.onStatus = nullptr;
    listener.onProgress = nullptr;
    EXPECT_TRUE(reporter.shown.empty());
    const std::vector<JobCompletion> posted =
        row.closing ? std::vector<JobCompletion>{}
                    : std::vector<JobCompletion>{JobCompletion::kFailedOrStopped};
    EXPECT_EQ(listener.completions, posted);
    EXPECT_EQ(session.tree().fileCount(), 0u);
    EXPECT_FALSE(session.diagnosis().has_value());  // a stop is no finding
    EXPECT_TRUE(tempFolderEmpty());
    EXPECT_EQ(threadCount(), threadsBefore);
    workspace.stop = false;
    workspace.closing = false;
  }
  expectSourcesBack(targets);
  EXPECT_EQ(reporter.shownIds(), std::vector<MessageId>{MessageId::kExtractionCompleted});
  EXPECT_EQ(threadCount(), threadsBefore);
}

}  // namespace
}  // namespace murl::test
