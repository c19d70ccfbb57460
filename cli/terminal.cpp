#include "cli/terminal.h"

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <ostream>

#include "cli/texts.h"
#include "jobs/authoring_session.h"
#include "platform/console.h"
#include "platform/folders.h"
#include "transforms/password.h"

namespace murl::cli {

bool interactiveTerminal() {
  return platform::isTerminal(platform::StandardStream::kInput) &&
         platform::isTerminal(platform::StandardStream::kError);
}

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
  if (label == StatusLabel::kValue1) value_ = platform::baseName(text);
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
      language_(language) {}

void TerminalReporter::print(const Message& message) {
  bar_.clear();
  err_ << message.title << ": " << oneLine(message.text) << "\n" << std::flush;
}

void TerminalReporter::warn(const Message& message) { print(message); }
void TerminalReporter::error(const Message& message) { print(message); }

void TerminalReporter::report(const Message& message) {
  if (!quiet_) print(message);
}

bool TerminalReporter::askYesNo(const Message& message) {
  bool overwriteQuestion = message.id == MessageId::kTargetExistsOverwrite ||
                           message.id == MessageId::kFileExistsOverwrite;
  bar_.clear();
  err_ << message.title << ": " << oneLine(message.text);
  if (overwriteQuestion && overwrite_) {
    err_ << " " << text(Text::kYes, language_) << "\n" << std::flush;
    return true;
  }
  if (!interactive_) {
    err_ << " " << text(Text::kNo, language_) << "\n" << std::flush;
    return false;
  }
  err_ << text(Text::kYesNo, language_) << std::flush;
  std::string line;
  if (!std::getline(std::cin, line)) return false;
  return !line.empty() && (line[0] == 'y' || line[0] == 'Y' || line[0] == 's' || line[0] == 'S');
}

namespace {

// Reads one line from the terminal with echo off; the terminal is restored whatever happens.
bool readHidden(const char* prompt, std::ostream& err, std::string& line) {
  err << prompt << std::flush;
  bool ok;
  {
    platform::EchoOff hidden;
    ok = static_cast<bool>(std::getline(std::cin, line));
  }
  err << "\n" << std::flush;
  return ok;
}

void dropLineEnd(std::string& line) {
  if (!line.empty() && line.back() == '\r') line.pop_back();
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
    std::ifstream in(file, std::ios::binary);
    if (!in || !std::getline(in, first)) {
      err << text(kind.fileUnreadable, language) << file << "\n";
      return false;
    }
    dropLineEnd(first);
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
