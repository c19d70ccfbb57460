#pragma once
// Shared ground of the job tests: WAV carriers made on the fly, a small tree of source files,
// a listener that records what the job posts, and the temporary folder pointed at a test folder
// so leftovers can be seen.
#include <gtest/gtest.h>

#include <filesystem>

#include "carriers/identify.h"
#include "core/job_listener.h"
#include "jobs/hiding_job.h"
#include "jobs/unhiding_job.h"
#include "platform/folders.h"
#include "stream/source_tree.h"
#include "support/faulty_file_system.h"
#include "support/random_bytes.h"
#include "support/recording_reporter.h"
#include "support/temp_dir.h"
#include "support/wav_builder.h"

namespace murl::test {

class RecordingListener : public JobListener {
 public:
  void progress(uint8_t percent) override {
    percents.push_back(percent);
    if (onProgress) onProgress(percent);
  }
  void status(StatusLabel label, const std::string& text) override {
    if (label == StatusLabel::kValue1 && !text.empty()) sources.push_back(text);
    if (label == StatusLabel::kValue2 && !text.empty()) targets.push_back(text);
  }
  void finished(JobCommand command) override { commands.push_back(command); }

  std::vector<JobCommand> commands;
  std::vector<uint8_t> percents;
  std::vector<std::string> sources;  // value 1: the file being read, then the source carriers
  std::vector<std::string> targets;  // value 2 while writing: the target paths in order
  std::function<void(uint8_t)> onProgress;
};

class JobTest : public ::testing::Test {
 protected:
  JobTest() : workspace(reporter, Language::kEnglish, files) {
    workspace.tempFolder = temps.path() + "/";
    workspace.password.take("a password of 24 letters");
    for (const char* folder : {"carriers", "out", "src", "back"})
      std::filesystem::create_directory(dir.file(folder));
  }

  // A WAV carrier of about `bits` carrier bits at level 3, identified as the jobs need it.
  CarrierEntry makeCarrier(const std::string& name, uint32_t bits, uint32_t seed) {
    WavShape shape;
    shape.samples = soundSamples(bits + 1000, bits + 560, 256, seed);
    std::string path = dir.file("carriers/" + name);
    writeAll(path, buildWav(shape));
    IdentificationRecord record;
    EXPECT_TRUE(identify(path, IdentifyPurpose::kHiding, record, workspace));
    return {record.type, record.carrierBits, {}, path};
  }

  // src/ holds docs/a.txt, docs/img/b.bin (random, so it does not compress) and empty.txt.
  void makeSources(size_t randomSize = 3500) {
    std::filesystem::create_directories(dir.file("src/docs/img"));
    std::string text = "hello from the hidden tree\n";
    writeAll(dir.file("src/docs/a.txt"), {text.begin(), text.end()});
    writeAll(dir.file("src/docs/img/b.bin"), randomBytes(randomSize, 9));
    writeAll(dir.file("src/empty.txt"), {});
  }

  // Builds the stream of the tree made of src/'s contents.
  bool buildStream(HidingJob& job) {
    SourceTree tree;
    bool added = false;
    tree.scanFolder(workspace, tree.root(), dir.file("src"), added);
    tree.sort();
    return job.buildStream(tree);
  }

  // Three carriers that together hold a 3500-byte random file, each needed.
  std::vector<CarrierEntry> threeCarriers(const char* a, const char* b, const char* c) {
    return {makeCarrier(a, 12000, 1), makeCarrier(b, 12000, 2), makeCarrier(c, 12000, 3)};
  }

  // The same entries with their paths moved to the targets in out/.
  std::vector<CarrierEntry> targetsOf(std::vector<CarrierEntry> carriers) {
    for (auto& c : carriers) c.path = dir.file("out/" + platform::baseName(c.path));
    return carriers;
  }

  bool tempFolderEmpty() { return folderNames(temps.path()).empty(); }

  TempDir dir;
  TempDir temps;
  RecordingReporter reporter;
  FaultyFileSystem files;  // every file the jobs open goes through it
  Workspace workspace;
  RecordingListener listener;
};

}  // namespace murl::test
