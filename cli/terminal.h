#pragma once
// The terminal side of murl-cli: messages on stderr, Yes/No prompts, the progress bar and the
// password prompt.
#include <iosfwd>
#include <string>

#include "core/job_listener.h"
#include "core/reporter.h"
#include "platform/locale.h"

namespace murl::cli {

using platform::Language;

// Whether standard input and standard error are both terminals: only then is anything asked.
bool interactiveTerminal();

// A progress bar with the current file's name, redrawn in place on stderr. Draws nothing unless
// `enabled` (stderr is a terminal and --quiet was not given).
class ProgressBar : public JobListener {
 public:
  ProgressBar(std::ostream& err, bool enabled) : err_(err), enabled_(enabled) {}
  ~ProgressBar() override { clear(); }

  void progress(uint8_t percent) override;
  void status(StatusLabel label, const std::string& text) override;
  void finished(JobCompletion completion) override;
  // Wipes the bar's line so a message can be written in its place.
  void clear();

 private:
  void draw();

  std::ostream& err_;
  bool enabled_;
  bool drawn_ = false;
  uint8_t percent_ = 0;
  std::string value_;
};

// Shows the program's messages on stderr as "Title: text" (escaped when stderr is a terminal)
// and asks its questions on the terminal. "Overwrite?" questions take `overwrite` when it is set,
// and "Couldn't open file! Continue scanning?" takes Yes once skipUnreadable() was called; without
// a terminal all others are No. The question and the answer taken are still written, so a run
// that stops says why.
class TerminalReporter : public Reporter {
 public:
  TerminalReporter(std::ostream& err, ProgressBar& bar, bool interactive, bool overwrite,
                   bool quiet, Language language);

  void warn(const Message& message) override;
  void error(const Message& message) override;
  void report(const Message& message) override;
  bool askYesNo(const Message& message) override;
  void skipUnreadable() { skipUnreadable_ = true; }

 private:
  void print(const Message& message);
  bool answered(const Message& message) const;
  // The message's text on one line, escaped on a terminal: it may hold names of any bytes.
  std::string shown(const Message& message) const;

  std::ostream& err_;
  ProgressBar& bar_;
  bool interactive_;
  bool overwrite_;
  bool quiet_;
  bool skipUnreadable_ = false;
  bool escape_;
  Language language_;
};

// A message's text on one line: its "\r\n" breaks become spaces.
std::string oneLine(const std::string& text);
// A report's text with its "\r\n" line ends as "\n".
std::string unixLines(const std::string& text);

// Whether standard error is a terminal, where texts of unknown bytes are shown escaped.
bool errorsOnTerminal();

// The password, from the first line of `passwordFile` (without its line end) when a file is
// named, else from $MURL_PASSWORD, else typed twice without echo on the terminal. False, with a
// message on `err`, when none is available or it breaks the rules (16 to 32 characters, typed
// the same twice). A file must be a regular file, of which only the first line is read.
bool readPassword(const std::string& passwordFile, bool interactive, Language language,
                  std::ostream& err, std::string& password);
// The copyright mark in the same ways, from `markFile` or $MURL_MARK or the terminal. False, with
// a message on `err`, when none is available or it breaks the rules (1 to 100 bytes, none zero,
// typed the same twice).
bool readMark(const std::string& markFile, bool interactive, Language language, std::ostream& err,
              std::string& mark);

}  // namespace murl::cli
