#pragma once
// How a job talks to the person using it: the GUI shows message boxes, the CLI writes to stderr
// and prompts, tests record.
#include <optional>
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

// Shows nothing itself and answers No: keeps the first message of work running on a thread of
// its own, for the job's thread to show once that work has ended, so messages keep their order.
class KeepingReporter : public Reporter {
 public:
  void warn(const Message& message) override { keep(message); }
  void error(const Message& message) override { keep(message); }
  void report(const Message& message) override { keep(message); }
  bool askYesNo(const Message&) override { return false; }

  // Read only after the working thread has ended.
  const std::optional<Message>& message() const { return message_; }

 private:
  void keep(const Message& message) {
    if (!message_) message_ = message;
  }

  std::optional<Message> message_;
};

}  // namespace murl
