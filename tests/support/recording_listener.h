#pragma once
// A job listener that records what a job posts, with hooks a test can use to act at a given
// moment (raise stop at a percentage, or as a file is named).
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/job_listener.h"

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
    if (onStatus) onStatus(label, text);
  }
  void stage(JobStage stage) override { stages.push_back(stage); }
  void finished(JobCompletion completion) override {
    completions.push_back(completion);
    if (onFinished) onFinished(completion);
  }

  std::vector<JobCompletion> completions;
  std::vector<JobStage> stages;
  std::vector<uint8_t> percents;
  std::vector<std::string> sources;  // value 1: the file being read, then the source carriers
  std::vector<std::string> targets;  // value 2 while writing: the target paths in order
  std::function<void(uint8_t)> onProgress;
  std::function<void(StatusLabel, const std::string&)> onStatus;
  std::function<void(JobCompletion)> onFinished;
};

}  // namespace murl::test
