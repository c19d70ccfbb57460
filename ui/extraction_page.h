#pragma once
// The last page of the Unhiding Wizard: the hidden tree one folder at a time (Name, Attr, Size),
// a ".." row back to the parent below the root, folders entered by activating their row, and
// "Extract Sel." and "Extract All".
#include <QWidget>
#include <vector>

#include "stream/extraction_tree.h"

class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace murl::ui {

class WizardHost;

class ExtractionPage : public QWidget {
  Q_OBJECT

 public:
  ExtractionPage(WizardHost& host, const ExtractionTree& tree);

  QTreeWidget* list() const { return rows_; }
  QPushButton* extractSelectedButton() const { return extractSelected_; }
  QPushButton* extractAllButton() const { return extractAll_; }
  const ExtractionFolder& folder() const { return *folder_; }

  // Shows the items of `folder`, which belongs to the page's tree.
  void open(const ExtractionFolder& folder);
  // The selected items of the folder shown, subfolders numbered first, then files; the ".."
  // row is none of them.
  std::vector<size_t> selectedItems() const;

 signals:
  // Every item of the root (`all`) or the selected ones are to be extracted.
  void extractRequested(bool all);

 private:
  void activate(QTreeWidgetItem* row);

  WizardHost& host_;
  const ExtractionFolder* folder_;
  QTreeWidget* rows_;
  QPushButton* extractSelected_;
  QPushButton* extractAll_;
};

}  // namespace murl::ui
