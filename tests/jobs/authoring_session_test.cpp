#include "jobs/authoring_session.h"

#include "carriers/registry.h"
#include "session_fixture.h"

namespace murl::test {
namespace {

class AuthoringSessionTest : public SessionTest {
 protected:
  // Three carriers of these names added, and `mark` taken.
  void prepare(const char* mark, const char* a = "a.wav", const char* b = "b.wav",
               const char* c = "c.wav") {
    carriers = threeCarriers(a, b, c);
    ASSERT_TRUE(session.setMark(mark));
    ASSERT_TRUE(session.addCarriers(carriers, options, nullptr));
    listener.sources.clear();  // the carriers offered, before any is marked
  }

  // The N data bits of a marked carrier, read back by its extract operation (not by a check):
  // bit k is bit k of the mark stream.
  std::vector<uint8_t> markStream(const std::string& path) {
    IdentificationRecord record;
    EXPECT_TRUE(identify(path, IdentifyPurpose::kChecking, record, workspace));
    const std::string sinkPath = dir.file("sink.bin");
    auto sinkFile = workspace.fileSystem.createTruncate(sinkPath);
    ExtractionSink sink(workspace, sinkFile);
    auto src = workspace.fileSystem.openRead(path);
    EXPECT_TRUE(carrierHandler(record.type)
                    .extract(src, {record.type, record.carrierBits, {}, path}, sink, workspace));
    EXPECT_TRUE(sink.flush());
    sinkFile.close();
    return readAll(sinkPath);
  }

  AuthoringSession session{workspace, listener};
  std::vector<std::string> carriers;
};

TEST_F(AuthoringSessionTest, MarksInListOrderAndReportsFullPaths) {
  prepare("X", "b.wav", "A.wav", "c.wav");
  ASSERT_TRUE(session.markCarriers(dir.file("out"), options));
  EXPECT_TRUE(reporter.shown.empty());
  EXPECT_EQ(listener.completions, (std::vector<JobCompletion>{JobCompletion::kCarriersMarked}));
  // No sorting by name: the user's order.
  EXPECT_EQ(listener.targets, targetsOf(carriers));
  EXPECT_EQ(listener.sources, carriers);
  EXPECT_EQ(listener.percents.back(), 100);
  ASSERT_EQ(session.percentages().size(), 3u);
  const std::string report = session.report();
  EXPECT_NE(report.find("Copyright mark: <X>\r\n\r\nWAV bits selection level: Medium\r\n"),
            std::string::npos);
  for (size_t i = 0; i < 3; ++i) {
    // Random unit bits hold about half the mark's bits already.
    EXPECT_GT(session.percentages()[i], 30.0);
    EXPECT_LT(session.percentages()[i], 70.0);
    char line[128];
    std::snprintf(line, sizeof line, "#%05zu:   %s   [+%.6f%%]\r\n", i, carriers[i].c_str(),
                  session.percentages()[i]);
    EXPECT_NE(report.find(line), std::string::npos) << report;
    // One character: X and 99 zero bytes, over and over.
    const std::vector<uint8_t> stream = markStream(targetsOf(carriers)[i]);
    ASSERT_GT(stream.size(), 300u);
    for (size_t j = 0; j + 1 < stream.size(); ++j)
      ASSERT_EQ(stream[j], j % 100 == 0 ? 'X' : 0) << carriers[i] << " byte " << j;
  }
}

TEST_F(AuthoringSessionTest, AFailureOnTheSecondOfThreeKeepsTheFirstAndWritesNoThird) {
  prepare("copyright");
  // The second source loses its tail after it was counted.
  auto bytes = readAll(carriers[1]);
  bytes.resize(bytes.size() / 2);
  writeAll(carriers[1], bytes);
  EXPECT_FALSE(session.markCarriers(dir.file("out"), options));
  EXPECT_EQ(reporter.shownIds(), (std::vector<MessageId>{MessageId::kCouldntReadSourceFile}));
  EXPECT_EQ(folderNames(dir.file("out")), (std::vector<std::string>{"a.wav"}));
  EXPECT_EQ(listener.completions, (std::vector<JobCompletion>{JobCompletion::kFailedOrStopped}));
  EXPECT_TRUE(workspace.stop);
  EXPECT_FALSE(session.busy());
}

TEST_F(AuthoringSessionTest, NoTargetIsWrittenOverItsSource) {
  prepare("copyright");
  const auto before = readAll(carriers[0]);
  EXPECT_FALSE(session.markCarriers(dir.file("carriers"), options));
  EXPECT_EQ(reporter.shownIds(), (std::vector<MessageId>{MessageId::kTargetIsSource}));
  EXPECT_EQ(readAll(carriers[0]), before);
}

// A stop as the first carrier ends lets no later carrier start: nothing more is read, written
// or asked about (an older b.wav in the folder is neither questioned nor touched).
TEST_F(AuthoringSessionTest, AStopBetweenCarriersStartsNoOther) {
  prepare("copyright");
  std::filesystem::create_directories(dir.file("out"));
  writeAll(dir.file("out/b.wav"), {1, 2, 3});
  listener.onProgress = [this](uint8_t percent) {
    if (percent >= 33) session.requestStop();
  };
  EXPECT_FALSE(session.markCarriers(dir.file("out"), options));
  EXPECT_TRUE(reporter.shown.empty());
  EXPECT_TRUE(reporter.asked.empty());
  EXPECT_EQ(listener.completions.back(), JobCompletion::kFailedOrStopped);
  EXPECT_FALSE(session.busy());
  EXPECT_EQ(listener.sources, std::vector<std::string>{carriers[0]});
  EXPECT_EQ(folderNames(dir.file("out")), (std::vector<std::string>{"a.wav", "b.wav"}));
  EXPECT_EQ(readAll(dir.file("out/b.wav")), (std::vector<uint8_t>{1, 2, 3}));
}

TEST_F(AuthoringSessionTest, MarksOfOneToAHundredBytesTypedTheSameTwice) {
  const std::string hundred(100, 'm');
  EXPECT_TRUE(AuthoringSession::markAccepted("X", "X"));
  EXPECT_FALSE(AuthoringSession::markAccepted("mark", "Mark"));
  EXPECT_FALSE(AuthoringSession::markAccepted(std::string("a\0b", 3), std::string("a\0b", 3)));
  ASSERT_TRUE(session.setMark(hundred));
  // A refused mark keeps the one before.
  EXPECT_FALSE(session.setMark(hundred + "m"));
  EXPECT_FALSE(session.setMark(""));
  EXPECT_EQ(session.markText(), hundred);
  ASSERT_TRUE(session.setMark("short"));
  EXPECT_EQ(session.mark()[5], 0);
  EXPECT_EQ(session.mark()[99], 0);
  session.reset();  // a new job starts with no mark
  EXPECT_TRUE(session.markText().empty());
  EXPECT_EQ(session.mark()[0], 0);
}

}  // namespace
}  // namespace murl::test
