#pragma once
// The one window of the application: the row of seven main-menu buttons, the current page and
// the status line. It starts the wizards, runs their jobs through one JobRunner, serves help on
// F1 and asks before quitting.
#include <QMainWindow>
#include <array>
#include <functional>
#include <memory>

#include "ui/wizard.h"

class QLabel;
class QToolButton;

namespace murl::ui {

class HelpWindow;
class MainMenuPage;

class MainWindow : public QMainWindow, public WizardHost {
  Q_OBJECT

 public:
  static constexpr int kWidth = 620;
  static constexpr int kHeight = 440;

  explicit MainWindow(FrontEnd& frontEnd);
  ~MainWindow() override;

  // A main-menu button was pressed.
  void command(MenuCommand command);
  PageId page() const { return page_; }
  QWidget* currentPage() const { return current_; }
  QToolButton* menuButton(int button) const { return buttons_[button]; }
  QLabel* statusLabel() const { return status_; }
  Wizard* wizard() const { return wizard_.get(); }
  // The help window at the current page's topic.
  void help();
  HelpWindow* helpWindow() const { return help_; }
  // The main menu shows the preview of `button` (1 to 6), or its own picture for 0.
  void showPreview(int button);

  FrontEnd& frontEnd() override { return frontEnd_; }
  JobRunner& jobs() override { return *jobs_; }
  QWidget* owner() override { return this; }
  void showPage(PageId id, QWidget* page) override;
  void setStatusLine(const QString& text) override;
  void backToMainMenu() override;
  bool startJob(std::function<void()> work) override;

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* makeButtonRow();
  void showMainMenu();
  // Frees the wizard's data once no job runs; the wizard object goes when control returns.
  void leaveWizard();
  void onCompleted(JobCompletion completion);
  void onRunning(bool running);
  // Nothing may pop up (tooltips, previews) while a job runs or the application closes.
  bool quiet() const;
  // Stops what runs and frees everything, for the end of the application.
  void shutDown();

  FrontEnd& frontEnd_;
  JobRunner* jobs_;
  QWidget* content_;
  QWidget* pageHost_;
  QWidget* current_ = nullptr;
  MainMenuPage* menu_ = nullptr;
  QLabel* status_;
  std::array<QToolButton*, kMenuButtonCount> buttons_{};
  HelpWindow* help_ = nullptr;
  PageId page_ = PageId::kMainMenu;
  std::unique_ptr<Wizard> wizard_;
  std::unique_ptr<Wizard> retired_;  // left, but perhaps still on the stack that left it
  bool shutDown_ = false;
};

}  // namespace murl::ui
