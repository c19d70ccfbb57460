#pragma once
// Hiding step 1: the files and folders to hide, under "Root\", with their counters. Files come
// from the file dialog, folders from the folder dialog, either kind from a drop; Delete removes
// the selected item.
#include <QWidget>
#include <string>
#include <vector>

#include "jobs/hiding_session.h"

class QLabel;
class QPushButton;
class QTreeWidgetItem;

namespace murl::ui {

class DropTree;
class WizardHost;

class SourcePage : public QWidget {
  Q_OBJECT

 public:
  SourcePage(WizardHost& host, HidingSession& session);

  DropTree* tree() const { return tree_; }
  QPushButton* addFilesButton() const { return addFiles_; }
  QPushButton* addFolderButton() const { return addFolder_; }
  QPushButton* nextButton() const { return next_; }

  void addFiles();
  void addFolder();
  // Files join the root; folders join it under their own name with all they hold.
  void addPaths(const std::vector<std::string>& paths);
  void removeSelected();

 signals:
  void next();

 private:
  void refresh();
  void fillFolder(QTreeWidgetItem* item, SourceFolder& folder);

  WizardHost& host_;
  HidingSession& session_;
  DropTree* tree_;
  QPushButton* addFiles_;
  QPushButton* addFolder_;
  QPushButton* next_;
  QLabel* files_;
  QLabel* size_;
};

}  // namespace murl::ui
