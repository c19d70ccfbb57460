#include "ui/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QShortcut>
#include <QToolButton>
#include <QVBoxLayout>

#include "ui/help_window.h"
#include "ui/main_menu_page.h"
#include "ui/texts.h"
#include "ui/wizards.h"

namespace murl::ui {
namespace {

// Static texts in black straight on the pattern; edit and report boxes white on black.
constexpr const char* kStyle =
    "QLineEdit, QPlainTextEdit { background-color: black; color: white; "
    "selection-background-color: #2f7fb5; }"
    "QLineEdit:disabled, QPlainTextEdit:disabled { color: #a0a0a0; }"
    // While a job runs the window takes no input, yet its texts stay as readable as ever.
    "QLabel:disabled { color: black; }";

}  // namespace

MainWindow::MainWindow(FrontEnd& frontEnd)
    : frontEnd_(frontEnd), jobs_(new JobRunner(frontEnd.workspace(), this)) {
  frontEnd_.setOwner(this);
  content_ = new QWidget(this);
  content_->setObjectName(QStringLiteral("content"));
  content_->setAutoFillBackground(true);
  QPalette palette = content_->palette();
  palette.setBrush(QPalette::Window, frontEnd_.artwork().pattern());
  palette.setColor(QPalette::WindowText, Qt::black);
  content_->setPalette(palette);
  content_->setStyleSheet(QString::fromLatin1(kStyle));

  auto* layout = new QVBoxLayout(content_);
  layout->setContentsMargins(8, 8, 8, 4);
  layout->setSpacing(6);
  layout->addWidget(makeButtonRow());
  pageHost_ = new QWidget(content_);
  auto* pageLayout = new QVBoxLayout(pageHost_);
  pageLayout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(pageHost_, 1);
  status_ = new QLabel(content_);
  status_->setObjectName(QStringLiteral("statusLine"));
  status_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  status_->setFixedWidth(kWidth - 16);
  layout->addWidget(status_);
  setCentralWidget(content_);
  setFixedSize(kWidth, kHeight);

  connect(jobs_, &JobRunner::completed, this, &MainWindow::onCompleted);
  connect(jobs_, &JobRunner::runningChanged, this, &MainWindow::onRunning);
  auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
  f1->setContext(Qt::ApplicationShortcut);
  connect(f1, &QShortcut::activated, this, &MainWindow::help);
  setStatusLine(QString());
  showMainMenu();
}

MainWindow::~MainWindow() { shutDown(); }

QWidget* MainWindow::makeButtonRow() {
  auto* row = new QWidget(content_);
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(6);
  for (int i = 0; i < kMenuButtonCount; ++i) {
    auto* button = new QToolButton(row);
    button->setObjectName(QStringLiteral("menuButton%1").arg(1000 + i));
    button->setIcon(frontEnd_.artwork().buttonIcon(i));
    button->setIconSize(QSize(40, 40));
    button->setFixedSize(54, 54);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setToolTip(text(buttonTooltip(i), frontEnd_.language()));
    button->installEventFilter(this);
    connect(button, &QToolButton::clicked, this, [this, i] { command(menuCommand(i)); });
    layout->addWidget(button);
    buttons_[i] = button;
  }
  layout->addStretch(1);
  return row;
}

void MainWindow::command(MenuCommand command) {
  if (jobs_->running() || frontEnd_.workspace().closing) return;
  if (command == MenuCommand::kHomePage) {
    frontEnd_.dialogs().openUrl(QString::fromLatin1(kHomePageAddress));
    return;
  }
  if (command == MenuCommand::kBackToMainMenu) {
    backToMainMenu();
    return;
  }
  std::unique_ptr<Wizard> next = makeWizard(command, *this);
  if (!next) return;
  leaveWizard();
  wizard_ = std::move(next);
  wizard_->begin();
}

void MainWindow::showPage(PageId id, QWidget* page) {
  if (current_) {
    current_->hide();
    current_->deleteLater();
  }
  menu_ = nullptr;
  current_ = page;
  page_ = id;
  page->setParent(pageHost_);
  pageHost_->layout()->addWidget(page);
  page->show();
  setWindowTitle(QString::fromUtf8(pageTitle(id, frontEnd_.language())));
}

void MainWindow::showMainMenu() {
  auto* menu = new MainMenuPage(frontEnd_.artwork());
  showPage(PageId::kMainMenu, menu);
  menu_ = menu;
}

void MainWindow::setStatusLine(const QString& line) {
  QString shown = line.isEmpty() ? text(UiText::kStatusLine, frontEnd_.language()) : line;
  status_->setText(status_->fontMetrics().elidedText(shown, Qt::ElideMiddle, status_->width()));
  // A folder scan runs on this thread: the line is drawn now, not when the scan is over.
  if (!line.isEmpty() && status_->isVisible()) status_->repaint();
}

void MainWindow::backToMainMenu() {
  leaveWizard();
  setStatusLine(QString());
  showMainMenu();
}

void MainWindow::leaveWizard() {
  if (!wizard_) return;
  wizard_->release();
  // The wizard may be the caller: it goes once control is back in the event loop.
  retired_ = std::move(wizard_);
  QMetaObject::invokeMethod(
      this, [this] { retired_.reset(); }, Qt::QueuedConnection);
}

bool MainWindow::startJob(std::function<void()> work) {
  if (jobs_->start(std::move(work))) return true;
  // Without a worker nothing can go on: the window closes and a separate box says why.
  Workspace& workspace = frontEnd_.workspace();
  workspace.closing = true;
  shutDown();
  hide();
  MessageId id = MessageId::kCouldntStartThread;
  frontEnd_.dialogs().show(
      nullptr,
      Message{id, messageTitle(id, workspace.language), messageText(id, workspace.language)},
      BoxIcon::kStop);
  close();
  QApplication::exit(1);
  return false;
}

void MainWindow::onCompleted(JobCompletion completion) {
  if (frontEnd_.workspace().closing || !wizard_) return;
  if (completion == JobCompletion::kFailedOrStopped) {
    wizard_->failed();
    return;
  }
  wizard_->completed(completion);
}

void MainWindow::onRunning(bool running) {
  content_->setEnabled(!running);
  if (running) showPreview(0);
}

bool MainWindow::quiet() const {
  return frontEnd_.workspace().closing || jobs_->running() || !content_->isEnabled();
}

void MainWindow::showPreview(int button) {
  if (menu_) menu_->showPreview(quiet() ? 0 : button);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  for (int i = 0; i < kMenuButtonCount; ++i) {
    if (watched != buttons_[i]) continue;
    if (event->type() == QEvent::ToolTip && quiet()) return true;
    if (event->type() == QEvent::Enter && i > 0) showPreview(i);
    if (event->type() == QEvent::Leave) showPreview(0);
  }
  return QMainWindow::eventFilter(watched, event);
}

void MainWindow::help() {
  if (!help_) help_ = new HelpWindow(frontEnd_.language(), this);
  help_->showTopic(page_);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (shutDown_) {
    event->accept();
    return;
  }
  Language language = frontEnd_.language();
  Message question{MessageId::kQuitAreYouSure, messageText(MessageId::kQuitRequested, language),
                   messageText(MessageId::kQuitAreYouSure, language)};
  if (!frontEnd_.dialogs().ask(this, question, BoxIcon::kQuestion)) {
    event->ignore();
    return;
  }
  shutDown();
  event->accept();
}

void MainWindow::shutDown() {
  if (shutDown_) return;
  shutDown_ = true;
  // A running job stops at its next poll, and a question it waits on is answered No.
  frontEnd_.workspace().closing = true;
  frontEnd_.workerReporter().close();
  jobs_->wait();
  leaveWizard();
  if (help_) help_->close();
}

}  // namespace murl::ui
