#pragma once
// Sessions are what a front end drives: one per wizard run (or one murl-cli command). A session
// owns the run's data (sources, carrier list, plan, temporary files, mark) and starts its jobs.
// Jobs are blocking calls, made on whichever thread the front end chooses (a worker in the
// desktop application, the main thread in murl-cli); everything else is called on the front
// end's own thread while no job of the session runs. Each job starts by clearing the stop flag
// and taking the options it is handed, so a run goes on after a job that failed or was stopped,
// and the front end may keep editing its own options meanwhile.
#include <functional>
#include <string>
#include <vector>

#include "carriers/identify.h"
#include "core/job_listener.h"
#include "core/options.h"
#include "core/workspace.h"
#include "jobs/carrier_list.h"

namespace murl {

// Told of each carrier the list did not take, in the order given.
using NotUsed = std::function<void(const std::string& path)>;

class JobSession {
 public:
  JobSession(const JobSession&) = delete;
  JobSession& operator=(const JobSession&) = delete;

  // True while a job runs. A front end that stopped a job, or is closing, waits for it to clear
  // before it releases the session; it is cleared before a job posts how it ended.
  bool busy() const { return workspace_.busy.load(); }
  // Asks the running job to stop at its next poll; it then ends without a message.
  void requestStop() { workspace_.stop = true; }

 protected:
  JobSession(Workspace& workspace, JobListener& listener)
      : workspace_(workspace), listener_(listener) {}
  ~JobSession() = default;

  Workspace& workspace_;
  JobListener& listener_;
};

// A session whose jobs work through a list of carriers (hiding, unhiding, authoring).
class CarrierListSession : public JobSession {
 public:
  // The carriers of the run, in the order they are used. Rows are removed and moved on the front
  // end's thread.
  CarrierList& carriers() { return carriers_; }
  const CarrierList& carriers() const { return carriers_; }

 protected:
  CarrierListSession(Workspace& workspace, JobListener& listener, IdentifyPurpose purpose);
  ~CarrierListSession() = default;

  // A job: offers each path to the carrier list in turn, counting the carriers with `options`;
  // value 1 of the status labels shows the path being offered, and is cleared at the end.
  // Paths the list does not take go to `notUsed`, and so do all paths after the list reported
  // itself full or the job was stopped. False, after "Out of memory!", when the adding had to end.
  bool offerCarriers(const std::vector<std::string>& paths, const Options& options,
                     const NotUsed& notUsed);

  CarrierList carriers_;
};

}  // namespace murl
