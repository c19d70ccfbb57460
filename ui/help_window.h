#pragma once
// The help, shipped inside the program as one HTML page per language, opened at the topic of the
// page the main window shows.
#include <QDialog>

#include "platform/locale.h"
#include "ui/pages.h"

class QTextBrowser;

namespace murl::ui {

class HelpWindow : public QDialog {
  Q_OBJECT

 public:
  HelpWindow(platform::Language language, QWidget* parent);
  void showTopic(PageId page);
  QTextBrowser* browser() const { return browser_; }

 private:
  platform::Language language_;
  QTextBrowser* browser_;
};

// The anchor of a page's topic in the help page: "hiding-1", "main", ...
const char* helpTopic(PageId page);

}  // namespace murl::ui
