#pragma once
// The ordered carriers of one job. Their order is the order in which the stream's bits are
// spread, so unhiding needs the carriers in exactly the order used for hiding.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "carriers/common/contract.h"
#include "carriers/identify.h"
#include "core/workspace.h"

namespace murl {

constexpr size_t kMaxCarrierCount = 65535;
constexpr uint32_t kMarkCarrierBits = 800;  // one whole mark

enum class CarrierAddResult : uint8_t {
  kNotAdded = 0,  // the next file may be tried
  kAdded = 1,
  kOutOfMemory = 2,
  kLimitReached = 3,  // stop adding
};

// How a file is identified; tests substitute one that needs no file.
using Identifier = std::function<bool(const std::string& path, IdentifyPurpose purpose,
                                      IdentificationRecord& record, Workspace& workspace)>;

class CarrierList {
 public:
  // Which wizard fills the list: hiding keeps the total and stops at "enough"; unhiding keeps
  // the total; authoring (and checking) refuse carriers too small for one mark and keep none.
  explicit CarrierList(IdentifyPurpose purpose, Identifier identifier = identify);

  IdentifyPurpose purpose() const { return purpose_; }
  const std::vector<CarrierEntry>& entries() const { return entries_; }
  size_t size() const { return entries_.size(); }
  uint32_t totalBits() const { return totalBits_; }  // not kept while authoring
  uint32_t streamBits() const { return streamBits_; }
  // B, the bit count of the enciphered stream the list is filled for.
  void setStreamBits(uint32_t bits) { streamBits_ = bits; }

  // Checks and identifies the file and appends it; a failed add leaves the list unchanged and
  // has shown its one message (identification may have shown "Couldn't open carrier!").
  CarrierAddResult add(const std::string& path, Workspace& workspace);
  void remove(size_t position);
  // Removes the selected entries from the last to the first; `selected` follows.
  void removeSelected(std::vector<bool>& selected);
  void clear();

  // Each selected row whose neighbour below (above) is not selected exchanges places with it,
  // from the end (the start) of the list, so selected blocks move as a whole by one place.
  // `selected` has one flag per row and moves with the rows. Returns the row to scroll into
  // view, or size() when nothing moved.
  size_t moveSelectedDown(std::vector<bool>& selected);
  size_t moveSelectedUp(std::vector<bool>& selected);

  // How many carriers at the end of the list would receive no stream bit because the ones
  // before them hold B bits already (0 for a list of fewer than two).
  size_t carriersBeyondStream() const;
  // False, with a message, when carriersBeyondStream() is not 0.
  bool outOfRangeCheck(Workspace& workspace) const;

 private:
  bool keepsTotal() const {
    return purpose_ == IdentifyPurpose::kHiding || purpose_ == IdentifyPurpose::kUnhiding;
  }
  void exchange(size_t a, std::vector<bool>& selected);

  IdentifyPurpose purpose_;
  Identifier identifier_;
  std::vector<CarrierEntry> entries_;
  std::set<std::string> names_;  // folded file names, for the duplicate test
  uint32_t totalBits_ = 0;
  uint32_t streamBits_ = 0;
};

// The file name with A to Z folded to a to z: targets are all written into one folder under
// their source file names, so carriers are told apart by that alone.
std::string foldedFileName(const std::string& path);

}  // namespace murl
