#pragma once
// One hiding run, in the order a front end goes through it:
//   1. addSource() / sources()           front end's thread: the files and folders to hide
//   2. buildStream(options)              job: the enciphered stream, in a temporary file
//   3. addCarriers(paths, options, ...)  job: the carrier list, with the stream's bits as goal;
//      missingBits(), outOfRangeCheck()  front end's thread: may the carriers be written?
//   4. writeCarriers(folder, options)    job: the target carriers
//   5. report()                          front end's thread: the Process Report
// A step may be repeated (a new stream after the sources changed, a second try at writing after
// a failure); reset() or the session's end wipes the temporary file and releases everything.
#include <cstdint>
#include <string>
#include <vector>

#include "jobs/hiding_job.h"
#include "jobs/session.h"
#include "stream/source_tree.h"

namespace murl {

class HidingSession : public CarrierListSession {
 public:
  HidingSession(Workspace& workspace, JobListener& listener);

  SourceTree& sources() { return sources_; }
  // A file joins the root; a folder joins under its own name with everything in it, and "/"
  // fills the root itself. False when the user or a limit stopped the adding (each refusal has
  // asked or shown its message).
  bool addSource(const std::string& path);

  // Sorts the sources and writes their enciphered stream. Posts kStreamBuilt, or
  // kFailedOrStopped after a failure (its message shown) or a stop.
  bool buildStream(const Options& options);
  // B, the bit count of the stream built last; 0 before.
  uint32_t streamBits() const { return job_.streamBits(); }

  // Offers carriers until they hold the stream (then "Enough carriers already added!").
  bool addCarriers(const std::vector<std::string>& paths, const Options& options,
                   const NotUsed& notUsed);
  // Carrier bits still missing to hold the stream; 0 once the carriers cover it.
  uint32_t missingBits() const;
  // False, with its message, when carriers at the end of the list would get no stream bit.
  bool outOfRangeCheck();

  // Writes the carriers, in the plan's order, into `outputFolder`, each read back as soon as it
  // is written when `verify`. Posts kCarriersWritten, or kFailedOrStopped after a failure (its
  // message shown) or a stop.
  bool writeCarriers(const std::string& outputFolder, const Options& options, bool verify = true);
  const std::vector<PlanEntry>& plan() const { return job_.plan(); }
  // The Process Report of the carriers written last, with the options they were written with.
  std::string report() const;

  // Once the carriers are written: wipes the stream's temporary file and empties the sources,
  // keeping the carriers and the plan the report is made of.
  void discardStream();
  // Wipes the stream's temporary file and empties the sources and the carrier list.
  void reset();

 private:
  SourceTree sources_;
  HidingJob job_;
  Options writtenWith_;
};

}  // namespace murl
