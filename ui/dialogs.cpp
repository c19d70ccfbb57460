#include "ui/dialogs.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>
#include <QUrl>

#include "ui/texts.h"

namespace murl::ui {
namespace {

QMessageBox::Icon qtIcon(BoxIcon icon) {
  switch (icon) {
    case BoxIcon::kQuestion:
      return QMessageBox::Question;
    case BoxIcon::kStop:
      return QMessageBox::Critical;
    case BoxIcon::kInformation:
      return QMessageBox::Information;
    default:
      return QMessageBox::Warning;
  }
}

// "*.bmp" matches "PHOTO.BMP" too: each letter becomes "[bB]".
QString caseBlindPattern(const QString& pattern) {
  QString out;
  for (QChar c : pattern) {
    if (c.isLetter() && c.toLower() != c.toUpper()) {
      out += QLatin1Char('[') + c.toLower() + c.toUpper() + QLatin1Char(']');
    } else {
      out += c;
    }
  }
  return out;
}

// The message's lines as paragraphs. A line that begins with two spaces is an item of a list under
// the message (a carrier's path): it keeps its indent when it wraps.
QString boxBody(const std::string& text) {
  QString body = QString::fromStdString(text);
  body.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  QString html;
  for (const QString& line : body.split(QLatin1Char('\n'))) {
    bool item = line.startsWith(QLatin1String("  "));
    QString shown = line.trimmed().toHtmlEscaped();
    html += (item ? QLatin1String("<p style=\"margin:0 0 0 16px\">")
                  : QLatin1String("<p style=\"margin:0\">")) +
            (shown.isEmpty() ? QStringLiteral("&nbsp;") : shown) + QLatin1String("</p>");
  }
  return html;
}

}  // namespace

QString qtFilterList(const std::vector<FileFilter>& filters) {
  QStringList entries;
  for (const FileFilter& filter : filters) {
    QStringList patterns;
    for (const QString& pattern : filter.patterns.split(QLatin1Char(';'), Qt::SkipEmptyParts))
      patterns << (pattern == QLatin1String("*.*") ? QStringLiteral("*")
                                                   : caseBlindPattern(pattern));
    entries << filter.name + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                   QLatin1Char(')');
  }
  return entries.join(QStringLiteral(";;"));
}

QMessageBox* makeMessageBox(QWidget* parent, const Message& message, BoxIcon icon, bool question,
                            platform::Language language) {
  auto* box =
      new QMessageBox(qtIcon(icon), QString::fromStdString(message.title), QString(),
                      question ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok, parent);
  box->setTextFormat(Qt::RichText);
  box->setText(boxBody(message.text));
  if (question) {
    box->setDefaultButton(QMessageBox::Yes);
    box->button(QMessageBox::Yes)->setText(text(UiText::kYes, language));
    box->button(QMessageBox::No)->setText(text(UiText::kNo, language));
  } else {
    box->button(QMessageBox::Ok)->setText(text(UiText::kOk, language));
  }
  return box;
}

std::vector<std::string> SystemDialogs::openFiles(QWidget* parent, const QString& title,
                                                  const std::vector<FileFilter>& filters) {
  QStringList chosen = QFileDialog::getOpenFileNames(
      parent, title, QString(), qtFilterList(filters), nullptr, QFileDialog::HideNameFilterDetails);
  std::vector<std::string> paths;
  for (const QString& path : chosen) paths.push_back(path.toStdString());
  return paths;
}

std::optional<std::string> SystemDialogs::chooseFolder(QWidget* parent, const QString& title) {
  QString folder =
      QFileDialog::getExistingDirectory(parent, title, QString(), QFileDialog::ShowDirsOnly);
  if (folder.isEmpty()) return std::nullopt;
  return folder.toStdString();
}

std::optional<std::string> SystemDialogs::saveFile(QWidget* parent, const QString& title,
                                                   const std::vector<FileFilter>& filters) {
  QString path = QFileDialog::getSaveFileName(parent, title, QString(), qtFilterList(filters),
                                              nullptr, QFileDialog::HideNameFilterDetails);
  if (path.isEmpty()) return std::nullopt;
  return path.toStdString();
}

void SystemDialogs::show(QWidget* parent, const Message& message, BoxIcon icon) {
  QMessageBox* box = makeMessageBox(parent, message, icon, false, language_);
  box->exec();
  delete box;
}

bool SystemDialogs::ask(QWidget* parent, const Message& message, BoxIcon icon) {
  QMessageBox* box = makeMessageBox(parent, message, icon, true, language_);
  bool yes = box->exec() == QMessageBox::Yes;
  delete box;
  return yes;
}

void SystemDialogs::openUrl(const QString& address) { QDesktopServices::openUrl(QUrl(address)); }

void DialogReporter::warn(const Message& message) {
  if (held_ && *held_ == message.id) {
    kept_ = message;
    return;
  }
  dialogs_.show(owner_, message, BoxIcon::kExclamation);
}

std::optional<Message> DialogReporter::takeHeld() {
  held_.reset();
  std::optional<Message> kept = std::move(kept_);
  kept_.reset();
  return kept;
}
void DialogReporter::error(const Message& message) {
  dialogs_.show(owner_, message, BoxIcon::kStop);
}
void DialogReporter::report(const Message& message) {
  dialogs_.show(owner_, message, BoxIcon::kInformation);
}
bool DialogReporter::askYesNo(const Message& message) {
  return dialogs_.ask(owner_, message, BoxIcon::kExclamation);
}

}  // namespace murl::ui
