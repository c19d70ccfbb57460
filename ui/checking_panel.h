#pragma once
// The Checking Panel: "Check Carrier" (or a file dropped on the report) has one carrier's mark
// read back on the worker, and the report tree shows what was found: the carrier, the mark and
// its integrity, and one line per mark byte. "Save" keeps the report as text. The panel stays
// open whether a check succeeds or fails.
#include <QWidget>
#include <string>
#include <vector>

#include "jobs/check_report.h"
#include "jobs/checking_session.h"
#include "ui/wizard.h"

class QLabel;
class QPushButton;

namespace murl::ui {

class DropTree;

class CheckingPanel : public QWidget {
  Q_OBJECT

 public:
  explicit CheckingPanel(WizardHost& host);

  QPushButton* checkButton() const { return check_; }
  QPushButton* saveButton() const { return save_; }
  DropTree* report() const { return report_; }

  // Asks for the carrier in the file dialog; a chosen one is handed to checkRequested().
  void chooseCarrier();
  // The tree of a check, roots in bold and open, scrolled to its top.
  void showReport(const std::vector<ReportNode>& roots);
  void clearReport();
  // The report as text, a line per item, indented two spaces per level.
  std::string reportText() const;

 signals:
  void checkRequested(const std::string& path);

 private:
  WizardHost& host_;
  DropTree* report_;
  QPushButton* check_;
  QPushButton* save_;
  QLabel* path_;
};

class CheckingWizard : public Wizard {
 public:
  explicit CheckingWizard(WizardHost& host);

  void begin() override;
  void completed(JobCompletion completion) override;
  // A check that failed or was stopped leaves the panel open, empty.
  void failed() override;
  void release() override {}

  CheckingSession& session() { return session_; }

 private:
  CheckingSession session_;
  CheckingPanel* panel_ = nullptr;
};

}  // namespace murl::ui
