#pragma once
// The last page of a wizard: the Process Report in a read-only box the user may select and copy
// from, and "Save" to keep it in a text file of the user's choice.
#include <QWidget>
#include <string>

class QPlainTextEdit;
class QPushButton;

namespace murl::ui {

class WizardHost;

class ReportPage : public QWidget {
  Q_OBJECT

 public:
  // `report` as the jobs make it, lines ending in "\r\n".
  ReportPage(WizardHost& host, const std::string& report);

  QPlainTextEdit* box() const { return box_; }
  QPushButton* saveButton() const { return save_; }
  // Asks for a file and writes the report into it; false (after its message) when it cannot.
  bool save();

 private:
  WizardHost& host_;
  std::string report_;
  QPlainTextEdit* box_;
  QPushButton* save_;
};

// Asks for a file and writes `text` into it as it is; false (after its message) when it cannot,
// or when the user cancelled. A file that fails part-way is removed.
bool saveTextFile(WizardHost& host, const std::string& text);

}  // namespace murl::ui
