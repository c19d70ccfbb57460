#pragma once
// What the pages ask of the desktop outside their own window: file and folder choosers, message
// boxes and the web browser. The application uses the system's own dialogs; tests and the
// screenshot tool put scripted answers in their place.
#include <QString>
#include <optional>
#include <string>
#include <vector>

#include "core/reporter.h"
#include "platform/locale.h"

class QMessageBox;
class QWidget;

namespace murl::ui {

// One entry of a file dialog's type list: its name and its patterns, separated by ";".
struct FileFilter {
  QString name;
  QString patterns;
};

enum class BoxIcon : uint8_t { kExclamation, kQuestion, kStop, kInformation };

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // The files chosen (several may be); empty when the user cancelled.
  virtual std::vector<std::string> openFiles(QWidget* parent, const QString& title,
                                             const std::vector<FileFilter>& filters) = 0;
  // The folder chosen; nothing when the user cancelled.
  virtual std::optional<std::string> chooseFolder(QWidget* parent, const QString& title) = 0;
  // The file to write; nothing when the user cancelled.
  virtual std::optional<std::string> saveFile(QWidget* parent, const QString& title,
                                              const std::vector<FileFilter>& filters) = 0;
  // A message box with an OK button.
  virtual void show(QWidget* parent, const Message& message, BoxIcon icon) = 0;
  // A message box with Yes and No; true for Yes.
  virtual bool ask(QWidget* parent, const Message& message, BoxIcon icon) = 0;
  virtual void openUrl(const QString& address) = 0;
};

// The system's dialogs, and the default browser.
class SystemDialogs : public Dialogs {
 public:
  explicit SystemDialogs(platform::Language language) : language_(language) {}
  std::vector<std::string> openFiles(QWidget* parent, const QString& title,
                                     const std::vector<FileFilter>& filters) override;
  std::optional<std::string> chooseFolder(QWidget* parent, const QString& title) override;
  std::optional<std::string> saveFile(QWidget* parent, const QString& title,
                                      const std::vector<FileFilter>& filters) override;
  void show(QWidget* parent, const Message& message, BoxIcon icon) override;
  bool ask(QWidget* parent, const Message& message, BoxIcon icon) override;
  void openUrl(const QString& address) override;

 private:
  platform::Language language_;
};

// The message box the application shows for a message (not yet shown): stored "\r\n" breaks
// become line breaks, Yes and No when `question`, else OK, named in `language`. Owned by
// `parent`.
QMessageBox* makeMessageBox(QWidget* parent, const Message& message, BoxIcon icon, bool question,
                            platform::Language language);

// The dialogs' type list as Qt spells it: each name followed by its patterns, which the dialog
// keeps out of sight. Patterns ignore letter case, as they do on the systems the carriers come
// from.
QString qtFilterList(const std::vector<FileFilter>& filters);

// The engine's messages in the application's message boxes, owned by one window: warnings with
// the exclamation icon, errors with the stop icon, reports with the information icon, questions
// with Yes and No and the exclamation icon.
class DialogReporter : public Reporter {
 public:
  DialogReporter(Dialogs& dialogs, QWidget* owner) : dialogs_(dialogs), owner_(owner) {}
  void setOwner(QWidget* owner) { owner_ = owner; }
  void warn(const Message& message) override;
  void error(const Message& message) override;
  void report(const Message& message) override;
  bool askYesNo(const Message& message) override;

  // From now on the warning `id` is kept, not shown, so that whoever waits for it can show it
  // with what it learns later.
  void holdBack(MessageId id) { held_ = id, kept_.reset(); }
  // The warning held back, when it came; it is no longer held back.
  std::optional<Message> takeHeld();

 private:
  Dialogs& dialogs_;
  QWidget* owner_;
  std::optional<MessageId> held_;
  std::optional<Message> kept_;
};

}  // namespace murl::ui
