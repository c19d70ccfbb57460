#include "jobs/hiding_session.h"

#include <algorithm>
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

// The job keeps the options it started with, though the front end edits its own meanwhile.
TEST_F(HidingSessionTest, WritesInNameOrderKeepsTheReportAndUnhidesInListOrder) {
  options.setLevel(LevelFormat::kWav, 4);
  prepare("b.wav", "A.wav", "c.wav");
  EXPECT_EQ(session.missingBits(), 0u);
  EXPECT_TRUE(session.outOfRangeCheck());
  uint32_t sessionNumber = workspace.sessionNumber;
  listener.onProgress = [this](uint8_t) { options.setLevel(LevelFormat::kWav, 6); };
  ASSERT_TRUE(session.writeCarriers(dir.file("out"), options));
  listener.onProgress = nullptr;
  EXPECT_EQ(workspace.options.level(LevelFormat::kWav), 4);  // what the handlers read
  EXPECT_EQ(workspace.sessionNumber, sessionNumber + 1);
  EXPECT_EQ(listener.completions, (std::vector<JobCompletion>{JobCompletion::kStreamBuilt,
                                                              JobCompletion::kCarriersWritten}));
  EXPECT_EQ(listener.targets,
            (std::vector<std::string>{dir.file("out/A.wav"), dir.file("out/b.wav"),
                                      dir.file("out/c.wav")}));
  EXPECT_TRUE(reporter.shown.empty());
  // The report lists the carriers in list order, with the formats used.
  std::string report = session.report();
  EXPECT_LT(report.find("#00000:   b.wav"), report.find("#00001:   A.wav"));
  EXPECT_NE(report.find("WAV bits selection level: High"), std::string::npos);
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
  options.setLevel(LevelFormat::kWav, 4);
  expectSourcesBack(targetsOf(carriers));
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

// Each refusal before anything is written leaves the output folder and every carrier as they
// were. A target that would be another carrier of the job, by a link or a second name, is one:
// writing the first target would destroy the second carrier before it is read.
TEST_F(HidingSessionTest, WritingIsRefusedBeforeAnythingIsWritten) {
  prepare();
  const auto before = readAll(carriers[0]);
  std::filesystem::create_directory_symlink(dir.file("carriers"), dir.file("link"));
  // Each puts something at out/a.wav, the first target.
  using Place = std::function<void(const std::string& at)>;
  const std::string other = carriers[1], out = dir.file("out");
  platform::Folder held;
  const Place link = [&](const std::string& at) { std::filesystem::create_symlink(other, at); };
  const Place name = [&](const std::string& at) { std::filesystem::create_hard_link(other, at); };
  const Place file = [](const std::string& at) { writeAll(at, {1, 2, 3}); };
  const Place hold = [&](const std::string&) { held = platform::realFileSystem().openFolder(out); };
  using M = MessageId;
  const struct {
    const char* what;
    std::string out;
    Place place;
    MessageId message;
    bool asked = false;  // the message is a question, answered No
  } rows[] = {
      {"the carriers' folder", dir.file("carriers"), nullptr, M::kTargetIsSource},
      {"a link to that folder", dir.file("link"), nullptr, M::kTargetIsSource},
      {"a link to another carrier", out, link, M::kTargetIsSource},
      {"another name of it", out, name, M::kTargetIsSource},
      {"a file there", out, file, M::kTargetExistsOverwrite, true},
      {"an output folder in use by another job", out, hold, M::kOutputFolderBusy},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    std::filesystem::remove(dir.file("out/a.wav"));
    if (row.place) row.place(dir.file("out/a.wav"));
    ASSERT_TRUE(!held.isOpen() || held.lock());
    reporter.clear();
    const auto there = folderNames(dir.file("out"));
    const bool placed = std::filesystem::exists(dir.file("out/a.wav"));
    const auto atTarget = placed ? readAll(dir.file("out/a.wav")) : std::vector<uint8_t>{};
    EXPECT_FALSE(session.writeCarriers(row.out, options));  // no scripted answer: No
    const std::vector<MessageId> message = {row.message};
    EXPECT_EQ(reporter.shownIds(), row.asked ? std::vector<MessageId>{} : message);
    EXPECT_EQ(reporter.askedIds(), row.asked ? message : std::vector<MessageId>{});
    EXPECT_EQ(readAll(carriers[0]), before);
    EXPECT_EQ(folderNames(dir.file("out")), there);
    if (placed) {
      EXPECT_EQ(readAll(dir.file("out/a.wav")), atTarget);
    }
  }
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

// Targets not written in one sweep are read back once, after the writing, and the bar never goes
// back: a PNG's image data deflated afresh, a JPEG's entropy bytes stuffed afresh, PCX and TGA
// runs coded afresh, a module's resources written over its copy.
TEST_F(HidingSessionTest, ATargetNotWrittenInOneSweepIsReadBackOnlyAfterItsWriting) {
  makeSources(20);
  for (const char* fixture : {"png_noise_rgb8.png", "jpeg_magick_q100.jpg", "pcx_im_rle.pcx",
                              "tga_im_rle_bl.tga", "module_pe32.dll"}) {
    SCOPED_TRACE(fixture);
    const std::string carrier = dir.file("carriers/") + fixture;
    std::filesystem::copy_file(dataPath(fixture), carrier);
    HidingSession hiding(workspace, listener);
    ASSERT_TRUE(prepareHiding(hiding, {carrier}));
    const uint64_t readsAt = files.calls(FsCall::kReadAt);
    listener.percents.clear();
    ASSERT_TRUE(hiding.writeCarriers(dir.file("out"), options));
    EXPECT_EQ(files.calls(FsCall::kReadAt), readsAt);
    EXPECT_TRUE(std::is_sorted(listener.percents.begin(), listener.percents.end()));
    expectSourcesBack({dir.file("out/") + fixture});
    std::filesystem::remove_all(dir.file("back"));
    std::filesystem::create_directory(dir.file("back"));
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
