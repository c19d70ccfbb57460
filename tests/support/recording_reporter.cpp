#include "support/recording_reporter.h"

namespace murl::test {

std::vector<MessageId> RecordingReporter::shownIds() const {
  std::vector<MessageId> ids;
  for (const auto& m : shown) ids.push_back(m.id);
  return ids;
}

std::vector<MessageId> RecordingReporter::askedIds() const {
  std::vector<MessageId> ids;
  for (const auto& m : asked) ids.push_back(m.id);
  return ids;
}

}  // namespace murl::test
