#pragma once
#include <deque>
#include <vector>

#include "core/reporter.h"

namespace murl::test {

// Records every message; answers questions from a queue of scripted answers (No when empty).
class RecordingReporter : public Reporter {
 public:
  void warn(const Message& m) override { shown.push_back(m); }
  void error(const Message& m) override { shown.push_back(m); }
  void report(const Message& m) override { shown.push_back(m); }
  bool askYesNo(const Message& m) override {
    asked.push_back(m);
    if (answers.empty()) return false;
    bool answer = answers.front();
    answers.pop_front();
    return answer;
  }

  std::vector<MessageId> shownIds() const;
  std::vector<MessageId> askedIds() const;
  void clear() {
    shown.clear();
    asked.clear();
    answers.clear();
  }

  std::vector<Message> shown;
  std::vector<Message> asked;
  std::deque<bool> answers;
};

}  // namespace murl::test
