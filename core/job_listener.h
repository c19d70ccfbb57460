#pragma once
// How a running job tells its front end what it is doing: the progress bar, the four status
// labels (two title/value pairs) and how the job ended. The GUI turns these into queued
// notifications for its window; the CLI draws a progress bar; tests record them.
#include <cstdint>
#include <string>

namespace murl {

// How a job ended. The values are the command numbers the desktop front end posts to its window.
enum class JobCompletion : uint16_t {
  kFailedOrStopped = 1000,  // back to the main menu
  kStreamBuilt = 1020,
  kCarriersWritten = 1025,
  kFilesListed = 1034,
  kCarriersMarked = 1046,
  kCarrierChecked = 1047,     // a check's report is ready; the Checking Panel stays open either way
  kCarriersInspected = 1048,  // the inspection's verdict is ready
};

enum class StatusLabel : uint8_t { kTitle1, kValue1, kTitle2, kValue2 };

// The parts of a job that a front end names while it runs: an unhide first gathers the carriers'
// bits, then decodes them.
enum class JobStage : uint8_t { kGathering, kDecoding };

class JobListener {
 public:
  virtual ~JobListener() = default;
  virtual void progress(uint8_t percent) { (void)percent; }
  // An empty text clears the label.
  virtual void status(StatusLabel label, const std::string& text) {
    (void)label;
    (void)text;
  }
  virtual void stage(JobStage stage) { (void)stage; }
  // Posted once at the end of a job; a job stopped while the application closes posts nothing.
  virtual void finished(JobCompletion completion) { (void)completion; }
};

}  // namespace murl
