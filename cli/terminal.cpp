#include "cli/terminal.h"

#include <cstdlib>
#include <iostream>
#include <ostream>

#include "cli/escaping.h"
#include "cli/texts.h"
#include "jobs/authoring_session.h"
#include "platform/console.h"
#include "platform/file_system.h"
#include "platform/folders.h"
#include "platform/signals.h"
#include "transforms/password.h"

namespace murl::cli {

bool interactiveTerminal() {
  return platform::isTerminal(platform::StandardStream::kInput) &&
         platform::isTerminal(platform::StandardStream::kError);
}

bool errorsOnTerminal() { return platform::isTerminal(platform::StandardStream::kError); }

std::string unixLines(const std::string& text) {
  std::string lines;
  for (size_t i = 0; i < text.size(); ++i)
    if (text.compare(i, 2, "\r\n") != 0) lines += text[i];
  return lines;
}

std::string oneLine(const std::string& text) {
  std::string line;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text.compare(i, 2, "\r\n") == 0) {
      line += ' ';
      ++i;
    } else {
      line += text[i];
    }
  }
  return line;
}

void ProgressBar::progress(uint8_t percent) {
  percent_ = percent > 100 ? 100 : percent;
  draw();
}

void ProgressBar::status(StatusLabel label, const std::string& text) {
  if (label == StatusLabel::kValue1) value_ = terminalText(platform::baseName(text));
  if (label == StatusLabel::kValue1 && text.empty()) value_.clear();
  draw();
}

void ProgressBar::finished(JobCompletion) { clear(); }

void ProgressBar::draw() {
  if (!enabled_) return;
  constexpr int kWidth = 30;
  int filled = percent_ * kWidth / 100;
  std::string name = value_.size() > 40 ? "..." + value_.substr(value_.size() - 37) : value_;
  err_ << "\r\033[K[" << std::string(filled, '#') << std::string(kWidth - filled, '.') << "] "
       << static_cast<int>(percent_) << "%  " << name << std::flush;
  drawn_ = true;
}

void ProgressBar::clear() {
  if (!drawn_) return;
  err_ << "\r\033[K" << std::flush;
  drawn_ = false;
}

TerminalReporter::TerminalReporter(std::ostream& err, ProgressBar& bar, bool interactive,
                                   bool overwrite, bool quiet, Language language)
    : err_(err),
      bar_(bar),
      interactive_(interactive),
      overwrite_(overwrite),
      quiet_(quiet),
      escape_(errorsOnTerminal()),
      language_(language) {}

std::string TerminalReporter::shown(const Message& message) const {
  return escape_ ? terminalText(oneLine(message.text)) : oneLine(message.text);
}

void TerminalReporter::print(const Message& message) {
  bar_.clear();
  err_ << message.title << ": " << shown(message) << "\n" << std::flush;
}

void TerminalReporter::warn(const Message& message) { print(message); }
void TerminalReporter::error(const Message& message) { print(message); }

void TerminalReporter::report(const Message& message) {
  if (!quiet_) print(message);
}

// The questions an option answers Yes to, on a terminal or not.
bool TerminalReporter::answered(const Message& message) const {
  if (message.id == MessageId::kTargetExistsOverwrite ||
      message.id == MessageId::kFileExistsOverwrite)
    return overwrite_;
  return message.id == MessageId::kScanCouldntOpenFile && skipUnreadable_;
}

bool TerminalReporter::askYesNo(const Message& message) {
  bar_.clear();
  err_ << message.title << ": " << shown(message);
  if (answered(message)) {
    err_ << " " << text(Text::kYes, language_) << "\n" << std::flush;
    return true;
  }
  if (!interactive_) {
    err_ << " " << text(Text::kNo, language_) << "\n" << std::flush;
    return false;
  }
  err_ << text(Text::kYesNo, language_) << std::flush;
  std::string line;
  // A signal ends the wait as a No: the job then stops.
  if (!std::getline(std::cin, line)) return false;
  return !line.empty() && (line[0] == 'y' || line[0] == 'Y' || line[0] == 's' || line[0] == 'S');
}

namespace {

// Reads one line from the terminal with echo off; the echo comes back whatever happens, a signal
// that ends the process included.
bool readHidden(const char* prompt, std::ostream& err, std::string& line) {
  err << prompt << std::flush;
  bool ok;
  {
    platform::EchoOff quiet;
    ok = static_cast<bool>(std::getline(std::cin, line));
  }
  err << "\n" << std::flush;
  return ok;
}

// Far more than a password or a mark takes, so a file's first line is read whole or refused.
constexpr size_t kMaxFirstLine = 512;

enum class LineRead : uint8_t { kRead, kUnreadable, kTooLong };

// The first line of a regular file, without its line end. Nothing past it is read, so neither a
// huge file nor a FIFO or a device can keep the program waiting or fill its memory.
LineRead readFirstLine(const std::string& path, std::string& line) {
  platform::File file = platform::realFileSystem().openRead(path);
  if (!file.isOpen()) return LineRead::kUnreadable;
  line.assign(kMaxFirstLine + 1, '\0');
  line.resize(file.read(line.data(), line.size()));
  const size_t end = line.find('\n');
  if (end != std::string::npos) {
    line.resize(end);
  } else if (line.size() > kMaxFirstLine) {
    return LineRead::kTooLong;
  } else if (line.empty()) {
    return LineRead::kUnreadable;
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return LineRead::kRead;
}

// A text typed twice: a password or a copyright mark.
struct TypedTwice {
  Text prompt;
  Text again;
  Text rules;
  Text missing;
  Text fileUnreadable;
  const char* environment;
  bool (*accepted)(std::string_view first, std::string_view second);
};

bool readTypedTwice(const TypedTwice& kind, const std::string& file, bool interactive,
                    Language language, std::ostream& err, std::string& value) {
  std::string first;
  std::string second;
  if (!file.empty()) {
    const LineRead read = readFirstLine(file, first);
    if (read != LineRead::kRead) {
      const Text why = read == LineRead::kTooLong ? Text::kFirstLineTooLong : kind.fileUnreadable;
      err << text(why, language) << terminalText(file) << "\n";
      return false;
    }
    second = first;
  } else if (const char* env = std::getenv(kind.environment); env && *env) {
    first = second = env;
  } else if (interactive) {
    if (!readHidden(text(kind.prompt, language), err, first) ||
        !readHidden(text(kind.again, language), err, second))
      return false;
  } else {
    err << text(kind.missing, language) << "\n";
    return false;
  }
  if (!kind.accepted(first, second)) {
    err << text(kind.rules, language) << "\n";
    return false;
  }
  value = first;
  return true;
}

}  // namespace

bool readPassword(const std::string& passwordFile, bool interactive, Language language,
                  std::ostream& err, std::string& password) {
  static constexpr TypedTwice kPassword{
      Text::kPasswordPrompt,         Text::kPasswordAgain, Text::kPasswordRules, Text::kNoPassword,
      Text::kPasswordFileUnreadable, "MURL_PASSWORD",      Password::accepted};
  return readTypedTwice(kPassword, passwordFile, interactive, language, err, password);
}

bool readMark(const std::string& markFile, bool interactive, Language language, std::ostream& err,
              std::string& mark) {
  static constexpr TypedTwice kMark{Text::kMarkPrompt,
                                    Text::kMarkAgain,
                                    Text::kMarkRules,
                                    Text::kNoMark,
                                    Text::kMarkFileUnreadable,
                                    "MURL_MARK",
                                    AuthoringSession::markAccepted};
  return readTypedTwice(kMark, markFile, interactive, language, err, mark);
}

}  // namespace murl::cli
