#include "ui/report_page.h"

#include <QFontDatabase>
#include <QGridLayout>
#include <QPlainTextEdit>
#include <QPushButton>

#include "platform/file_system.h"
#include "ui/texts.h"
#include "ui/wizard.h"

namespace murl::ui {
namespace {

// The report in this system's line ends.
std::string localLines(const std::string& report) {
  std::string out;
  out.reserve(report.size());
  for (size_t i = 0; i < report.size(); ++i)
    if (!(report[i] == '\r' && i + 1 < report.size() && report[i + 1] == '\n')) out += report[i];
  return out;
}

}  // namespace

ReportPage::ReportPage(WizardHost& host, const std::string& report)
    : host_(host), report_(localLines(report)), box_(new QPlainTextEdit(this)) {
  Language language = host.frontEnd().language();
  box_->setObjectName(QStringLiteral("report"));
  box_->setReadOnly(true);
  box_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  box_->setPlainText(QString::fromStdString(report_));
  save_ = new QPushButton(text(UiText::kSave, language), this);
  save_->setMinimumWidth(120);
  auto* layout = new QGridLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addWidget(box_, 0, 0, 1, 2);
  layout->addWidget(save_, 1, 1);
  layout->setColumnStretch(0, 1);
  connect(save_, &QPushButton::clicked, this, &ReportPage::save);
}

bool ReportPage::save() { return saveTextFile(host_, report_); }

bool saveTextFile(WizardHost& host, const std::string& text) {
  Language language = host.frontEnd().language();
  std::vector<FileFilter> filters{
      {ui::text(UiText::kTextFilesFilter, language), QStringLiteral("*.txt")},
      {ui::text(UiText::kAllFilesAny, language), QStringLiteral("*.*")}};
  std::optional<std::string> path = host.frontEnd().dialogs().saveFile(
      host.owner(), ui::text(UiText::kSaveReportTitle, language), filters);
  if (!path) return false;
  Workspace& workspace = host.frontEnd().workspace();
  platform::File file = workspace.fileSystem.createTruncate(*path);
  if (!file.isOpen()) {
    workspace.show(MessageId::kCouldntCreateFile);
    return false;
  }
  if (!file.writeExact(text.data(), text.size())) {
    file.close();
    workspace.fileSystem.remove(*path);
    workspace.show(MessageId::kCouldntWriteFile);
    return false;
  }
  return true;
}

}  // namespace murl::ui
