#pragma once
// How a job talks to the person using it: the GUI shows message boxes, the CLI writes to stderr
// and prompts, tests record.
#include <string>

#include "core/messages.h"

namespace murl {

struct Message {
  MessageId id;
  std::string title;
  std::string text;  // in the chosen language, any number already filled in
};

class Reporter {
 public:
  virtual ~Reporter() = default;
  virtual void warn(const Message& message) = 0;
  virtual void error(const Message& message) = 0;
  virtual void report(const Message& message) = 0;
  // A Yes/No question; true means Yes.
  virtual bool askYesNo(const Message& message) = 0;
};

// Shows nothing and answers No: for work that runs with nobody to ask (benchmarks, fuzzing).
class SilentReporter : public Reporter {
 public:
  void warn(const Message&) override {}
  void error(const Message&) override {}
  void report(const Message&) override {}
  bool askYesNo(const Message&) override { return false; }
};

}  // namespace murl
