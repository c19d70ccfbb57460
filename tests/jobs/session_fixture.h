#pragma once
// Shared ground of the job and session tests: WAV carriers made on the fly, a small tree of source
// files, a listener that records what a job posts, and the temporary folder pointed at a test
// folder so leftovers can be seen.
#include <gtest/gtest.h>

#include <filesystem>

#include "jobs/hiding_session.h"
#include "jobs/unhiding_session.h"
#include "platform/folders.h"
#include "support/data_lines.h"
#include "support/faulty_file_system.h"
#include "support/random_bytes.h"
#include "support/recording_listener.h"
#include "support/recording_reporter.h"
#include "support/temp_dir.h"
#include "support/wav_builder.h"

namespace murl::test {

class SessionTest : public ::testing::Test {
 protected:
  SessionTest() : workspace(reporter, Language::kEnglish, files) {
    workspace.tempFolder = temps.path() + "/";
    workspace.password.take("a password of 24 letters");
    files.readAtWhileWritten(true);  // targets read back as they are written, as on a real disk
    for (const char* folder : {"carriers", "out", "src", "back"})
      std::filesystem::create_directory(dir.file(folder));
  }

  // A WAV carrier in carriers/ of about `bits` carrier bits at level 3.
  std::string makeCarrier(const std::string& name, uint32_t bits, uint32_t seed) {
    return writeWavCarrier(dir.file("carriers/" + name), bits, seed);
  }

  // A WAV carrier in carriers/ of exactly `bits` carrier bits at level 3: a size that is a
  // multiple of 16 makes the lead-in 3, and the 544 trailer units follow the data.
  std::string makeExactCarrier(const std::string& name, uint32_t bits, uint32_t seed) {
    WavShape shape;
    shape.samples = soundSamples(bits + 547 + 300, bits + 547, 256, seed);
    padToMultipleOf16(shape);
    std::string path = dir.file("carriers/" + name);
    writeAll(path, buildWav(shape));
    return path;
  }

  // src/ holds docs/a.txt, docs/img/b.bin (random, so it does not compress) and empty.txt.
  void makeSources(size_t randomSize = 3500) {
    std::filesystem::create_directories(dir.file("src/docs/img"));
    std::string text = "hello from the hidden tree\n";
    writeAll(dir.file("src/docs/a.txt"), {text.begin(), text.end()});
    writeAll(dir.file("src/docs/img/b.bin"), randomBytes(randomSize, 9));
    writeAll(dir.file("src/empty.txt"), {});
  }

  // Three carriers that together hold a 3500-byte random file, each needed.
  std::vector<std::string> threeCarriers(const char* a, const char* b, const char* c) {
    return {makeCarrier(a, 12000, 1), makeCarrier(b, 12000, 2), makeCarrier(c, 12000, 3)};
  }

  // The same carriers' targets in out/, in the same order.
  std::vector<std::string> targetsOf(const std::vector<std::string>& carriers) {
    std::vector<std::string> targets;
    for (const auto& c : carriers) targets.push_back(dir.file("out/" + platform::baseName(c)));
    return targets;
  }

  // The contents of src/ as the sources of `session`, its stream built and `carriers` added.
  bool prepareHiding(HidingSession& session, const std::vector<std::string>& carriers) {
    for (const char* item : {"docs", "empty.txt"})
      if (std::filesystem::exists(dir.file("src/") + item) &&
          !session.addSource(dir.file("src/") + item))
        return false;
    return session.buildStream(options) && session.addCarriers(carriers, options, nullptr);
  }

  // Hides src/ into `carriers`, written to out/; returns the targets in list order.
  std::vector<std::string> hideSources(const std::vector<std::string>& carriers) {
    HidingSession session(workspace, listener);
    EXPECT_TRUE(prepareHiding(session, carriers));
    EXPECT_TRUE(session.writeCarriers(dir.file("out"), options));
    listener.completions.clear();
    return targetsOf(carriers);
  }

  // Unhides `targets` into back/ and compares every file with its source.
  void expectSourcesBack(const std::vector<std::string>& targets) {
    UnhidingSession session(workspace, listener);
    ASSERT_TRUE(session.addCarriers(targets, options, nullptr));
    ASSERT_TRUE(session.unhide(options));
    ASSERT_TRUE(session.extractAll(dir.file("back")));
    for (const char* file : {"docs/a.txt", "docs/img/b.bin", "empty.txt"})
      EXPECT_EQ(readAll(dir.file("back/") + file), readAll(dir.file("src/") + file)) << file;
  }

  bool tempFolderEmpty() { return folderNames(temps.path()).empty(); }

  TempDir dir;
  TempDir temps;
  RecordingReporter reporter;
  FaultyFileSystem files;  // every file the jobs open goes through it
  Workspace workspace;
  RecordingListener listener;
  Options options;  // the front end's own
};

}  // namespace murl::test
