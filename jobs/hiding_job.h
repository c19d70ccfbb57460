#pragma once
// The hiding job in its two phases: the source tree becomes the enciphered hidden stream in a
// temporary file, then every carrier is copied into the output folder with its share of the
// stream hidden in it. Jobs are plain blocking calls; the front end decides where they run and
// hears from them through a JobListener.
#include <cstdint>
#include <string>
#include <vector>

#include "carriers/common/contract.h"
#include "core/job_listener.h"
#include "core/workspace.h"
#include "jobs/process_report.h"
#include "jobs/target_writer.h"
#include "platform/file.h"
#include "platform/folder.h"
#include "stream/temp_file.h"

namespace murl {

class SourceTree;

// One carrier of the hiding plan. The plan is written in target-name order; each entry keeps
// its position in the carrier list, which is what its trailer records.
struct PlanEntry {
  uint16_t carrierIndex = 0;
  std::string targetName;  // the carrier's file name
  StreamShare share;
  double percentage = 0;  // units changed, filled by the hide operation
};

// The plan in carrier-list order, then sorted by target name: letters folded to lower case,
// other bytes compared as signed values, a name that is a leading part of another first; equal
// names keep their order.
std::vector<PlanEntry> buildPlan(const std::vector<CarrierEntry>& carriers, uint32_t streamBits);
// a sorts strictly before b in the plan's order.
bool planNameBefore(const std::string& a, const std::string& b);

// The engine of the two phases; a HidingSession starts each phase and owns what it works on.
class HidingJob {
 public:
  explicit HidingJob(Workspace& workspace) : workspace_(workspace) {}
  // Wipes and deletes the stream's temporary file if it is still there.
  ~HidingJob();
  HidingJob(const HidingJob&) = delete;
  HidingJob& operator=(const HidingJob&) = delete;

  // Phase 1: writes the enciphered hidden stream of `tree` into a new temporary file. Posts
  // kStreamBuilt on success, kFailedOrStopped on a failure (after its message) or a stop
  // (nothing when closing).
  bool buildStream(const SourceTree& tree, JobListener& listener);
  // B, the stream's bit count, once phase 1 has succeeded.
  uint32_t streamBits() const { return streamBits_; }

  // Phase 2: writes every carrier (list order `carriers`, which must cover the stream and pass
  // the out-of-range check) into `outputFolder`. With `verify`, each target is read back through
  // its extract operation as soon as it is written: a data check or a trailer other than those
  // written fails the job ("Target carrier doesn't read back as written!"). Posts
  // kCarriersWritten or kFailedOrStopped. Targets written before a failure stay; the one being
  // written is wiped and deleted.
  bool writeCarriers(const std::vector<CarrierEntry>& carriers, const std::string& outputFolder,
                     JobListener& listener, bool verify = true);
  const std::vector<PlanEntry>& plan() const { return plan_; }

  // Wipes and deletes the stream's temporary file (once the targets are written, or when the run
  // is abandoned).
  void discardStream();
  // Discards the stream and forgets its bit count and the plan.
  void reset();

 private:
  // Every target in plan order; false on a failure (its message shown) or a stop.
  bool writeTargets(const std::vector<CarrierEntry>& carriers, platform::Folder& folder,
                    const std::string& outputFolder, HideJob& job, JobListener& listener);
  bool writeOne(PlanEntry& entry, const CarrierEntry& carrier, platform::Folder& folder,
                const std::string& target, const HideJob& job);
  // Writes the target into `dst` and, when the job verifies, reads it back: beside the writing
  // when `dst` reads at an offset beside its writes (jobs/trailing_read_back.h) and the format
  // writes its targets in one sweep, else after it.
  bool fillTarget(platform::File& src, platform::File& dst, PlanEntry& entry,
                  const CarrierEntry& carrier, const CarrierEntry& asTarget, const HideJob& job);
  // Writes the target into `dst` from the start of the stream.
  bool hideInto(platform::File& src, platform::File& dst, PlanEntry& entry,
                const CarrierEntry& carrier, const HideJob& job);
  // Reads the target back through `back`, the file just written, and compares what follows each
  // data share with what was written.
  bool readBackMatches(const CarrierEntry& asTarget, platform::File& back,
                       const std::vector<TrailerRecord>& written);

  Workspace& workspace_;
  TempFile stream_;
  uint32_t streamBits_ = 0;
  std::vector<PlanEntry> plan_;
  bool verify_ = true;
};

// The report's inputs for a finished hiding run: the formats used (a module's bitmap and wave
// resources count as BMP and WAV), the levels, and each carrier's share in list order.
ReportInput hidingReportInput(const std::vector<CarrierEntry>& carriers,
                              const std::vector<PlanEntry>& plan, const Workspace& workspace);

}  // namespace murl
