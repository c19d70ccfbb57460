#pragma once
// One authoring run, in the order a front end goes through it:
//   1. addCarriers(paths, options, ...)  job: the carriers to mark, each holding one whole mark
//                                        (800 carrier bits); modules cannot be marked
//   2. setMark(text)                     front end's thread: the mark, typed twice and accepted
//   3. markCarriers(folder, options)     job: the marked target carriers, in list order
//   4. report()                          front end's thread: the Process Report
// Marking may be tried again after a failure; reset() empties the run.
#include <string>
#include <string_view>
#include <vector>

#include "bits/bit_spreader.h"
#include "jobs/session.h"
#include "platform/folder.h"

namespace murl {

class AuthoringSession : public CarrierListSession {
 public:
  AuthoringSession(Workspace& workspace, JobListener& listener);

  // Whether a mark typed twice may be used: the same both times, 1 to 100 bytes, none of them
  // zero (a zero byte would end the mark's text in every report).
  static bool markAccepted(std::string_view first, std::string_view second);

  bool addCarriers(const std::vector<std::string>& paths, const Options& options,
                   const NotUsed& notUsed);

  // Takes the mark into its 100-byte field, zero bytes after the text. False, keeping the mark
  // held before, when the text is not an accepted mark.
  bool setMark(std::string_view text);
  const std::string& markText() const { return markText_; }
  const MarkField& mark() const { return mark_; }

  // Writes every carrier, in list order, into `outputFolder` with the mark over all its used
  // units. Posts kCarriersMarked, or kFailedOrStopped after a failure (its message shown) or a
  // stop (nothing while closing). The folder is locked meanwhile, and nothing is written when a
  // target would be any carrier of the job. Targets written before a failure stay; the one being
  // written leaves nothing, and no later one is begun.
  bool markCarriers(const std::string& outputFolder, const Options& options);
  // The units each carrier's marking changed, in percent, by list position.
  const std::vector<double>& percentages() const { return percentages_; }
  // The Process Report of the carriers marked last: the mark, the levels they were marked with,
  // each carrier's full path and share.
  std::string report() const;

  // Forgets the mark, the carriers and the shares.
  void reset();

 private:
  bool markEach(platform::Folder& folder, const std::string& outputFolder, JobListener& listener);

  std::string markText_;
  MarkField mark_{};
  std::vector<double> percentages_;
  Options markedWith_;
};

}  // namespace murl
