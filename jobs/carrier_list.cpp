#include "jobs/carrier_list.h"

#include <algorithm>
#include <new>
#include <utility>

#include "platform/ascii_case.h"
#include "platform/folders.h"

namespace murl {
std::string foldedFileName(const std::string& path) {
  return asciiLowered(platform::baseName(path));
}

CarrierList::CarrierList(IdentifyPurpose purpose, Identifier identifier)
    : purpose_(purpose), identifier_(std::move(identifier)) {}

CarrierAddResult CarrierList::add(const std::string& path, Workspace& workspace) {
  if (entries_.size() >= kMaxCarrierCount) {
    workspace.show(MessageId::kMaxCarriers);
    return CarrierAddResult::kLimitReached;
  }
  if (purpose_ == IdentifyPurpose::kHiding && totalBits_ >= streamBits_) {
    workspace.show(MessageId::kEnoughCarriers);
    return CarrierAddResult::kLimitReached;
  }
  // A listed name that the new one equals or begins: names beginning with it sort from it on.
  std::string name = foldedFileName(path);
  auto next = names_.lower_bound(name);
  if (next != names_.end() && next->compare(0, name.size(), name) == 0) {
    workspace.show(MessageId::kCarrierAlreadyAdded);
    return CarrierAddResult::kNotAdded;
  }
  IdentificationRecord record;
  if (!identifier_(path, purpose_, record, workspace)) return CarrierAddResult::kNotAdded;
  if (!keepsTotal() && record.carrierBits < kMarkCarrierBits) {
    workspace.show(MessageId::kInsufficientCarrierBits);
    return CarrierAddResult::kNotAdded;
  }
  uint64_t total = uint64_t{totalBits_} + record.carrierBits;
  if (keepsTotal() && total > UINT32_MAX) {
    workspace.show(MessageId::kMaxTotalCarrierBits);
    return CarrierAddResult::kNotAdded;
  }
  try {
    entries_.push_back(
        CarrierEntry{record.type, record.carrierBits, std::move(record.parts), path});
  } catch (const std::bad_alloc&) {
    workspace.show(MessageId::kOutOfMemory);
    return CarrierAddResult::kOutOfMemory;
  }
  try {
    names_.insert(name);
  } catch (const std::bad_alloc&) {
    entries_.pop_back();
    workspace.show(MessageId::kOutOfMemory);
    return CarrierAddResult::kOutOfMemory;
  }
  if (keepsTotal()) totalBits_ = static_cast<uint32_t>(total);
  return CarrierAddResult::kAdded;
}

void CarrierList::remove(size_t position) {
  if (position >= entries_.size()) return;
  if (keepsTotal()) totalBits_ -= entries_[position].carrierBits;
  names_.erase(foldedFileName(entries_[position].path));
  entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(position));
}

void CarrierList::removeSelected(std::vector<bool>& selected) {
  for (size_t row = std::min(selected.size(), entries_.size()); row-- > 0;) {
    if (!selected[row]) continue;
    remove(row);
    selected.erase(selected.begin() + static_cast<std::ptrdiff_t>(row));
  }
}

void CarrierList::clear() {
  entries_.clear();
  names_.clear();
  totalBits_ = 0;
}

void CarrierList::exchange(size_t a, std::vector<bool>& selected) {
  std::swap(entries_[a], entries_[a + 1]);
  bool first = selected[a];
  selected[a] = selected[a + 1];
  selected[a + 1] = first;
}

size_t CarrierList::moveSelectedDown(std::vector<bool>& selected) {
  size_t scrollTo = entries_.size();
  if (selected.size() != entries_.size() || entries_.size() < 2) return scrollTo;
  for (size_t row = entries_.size() - 1; row-- > 0;) {
    if (selected[row] && !selected[row + 1]) {
      exchange(row, selected);
      scrollTo = row + 1;
    }
  }
  return scrollTo;
}

size_t CarrierList::moveSelectedUp(std::vector<bool>& selected) {
  size_t scrollTo = entries_.size();
  if (selected.size() != entries_.size()) return scrollTo;
  for (size_t row = 1; row < entries_.size(); ++row) {
    if (selected[row] && !selected[row - 1]) {
      exchange(row - 1, selected);
      scrollTo = row - 1;
    }
  }
  return scrollTo;
}

size_t CarrierList::carriersBeyondStream() const {
  size_t n = entries_.size();
  uint64_t sum = 0;
  for (size_t k = 0; k + 1 < n; ++k) {
    sum += entries_[k].carrierBits;
    if (sum >= streamBits_) return n - k - 1;
  }
  return 0;
}

bool CarrierList::outOfRangeCheck(Workspace& workspace) const {
  size_t beyond = carriersBeyondStream();
  if (beyond == 0) return true;
  if (beyond == 1) {
    workspace.show(MessageId::kLastCarrierOutOfRange);
  } else {
    workspace.show(MessageId::kLastCarriersOutOfRange, static_cast<uint32_t>(beyond));
  }
  return false;
}

}  // namespace murl
