// Writes a picture of every page and message box of the desktop application (the main menu, the
// four wizards and the Options Panel), in English and Italian, into the folder given:
// PAGE-en.png and PAGE-it.png. It drives the real window on Qt's offscreen platform, with
// scripted dialogs and the repository's sample files.
#include <sys/stat.h>

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <cstdio>
#include <filesystem>

#include "ui/carriers_page.h"
#include "ui/checking_panel.h"
#include "ui/drop_tree.h"
#include "ui/extraction_page.h"
#include "ui/help_window.h"
#include "ui/options_panel.h"
#include "ui/password_page.h"
#include "ui/progress_page.h"
#include "ui/source_page.h"
#include "ui/texts.h"
#include "ui_fixture.h"

namespace murl::test {
namespace {

using ui::PageId;

class Camera {
 public:
  Camera(QString folder, Language language)
      : folder_(std::move(folder)),
        suffix_(language == Language::kItalian ? QStringLiteral("-it.png")
                                               : QStringLiteral("-en.png")),
        language_(language) {}

  // The window as a person sees it: its title on a bar above the client area. While a job runs
  // only pending layouts are done first (`settle` false): the worker's later notifications wait.
  void window(QWidget& window, const QString& name, bool settle = true) {
    if (settle) {
      QCoreApplication::processEvents();
    } else {
      QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    }
    QPixmap client = window.grab();
    const int bar = 26;
    QPixmap shot(client.width(), client.height() + bar);
    shot.fill(QColor(0x2b, 0x3a, 0x4a));
    QPainter painter(&shot);
    painter.setPen(Qt::white);
    painter.drawText(QRect(8, 0, client.width() - 16, bar), Qt::AlignVCenter | Qt::AlignLeft,
                     window.windowTitle());
    painter.drawPixmap(0, bar, client);
    painter.end();
    save(shot, name);
  }

  void box(QWidget* owner, const Message& message, ui::BoxIcon icon, bool question,
           const QString& name) {
    QMessageBox* box = ui::makeMessageBox(owner, message, icon, question, language_);
    box->setWindowModality(Qt::NonModal);
    box->show();
    QCoreApplication::processEvents();
    window(*box, name);
    delete box;
  }

  void message(QWidget* owner, MessageId id, const QString& name, uint32_t number = 0) {
    MessageKind kind = messageKind(id);
    ui::BoxIcon icon = kind == MessageKind::kError    ? ui::BoxIcon::kStop
                       : kind == MessageKind::kReport ? ui::BoxIcon::kInformation
                                                      : ui::BoxIcon::kExclamation;
    box(owner, Message{id, messageTitle(id, language_), formatMessage(id, language_, number)}, icon,
        kind == MessageKind::kQuestion, name);
  }

  int count() const { return count_; }

 private:
  void save(const QPixmap& shot, const QString& name) {
    QString path = folder_ + QLatin1Char('/') + name + suffix_;
    if (!shot.save(path)) std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    ++count_;
  }

  QString folder_;
  QString suffix_;
  Language language_;
  int count_ = 0;
};

std::string sample(const char* name) { return std::string(MURL_SAMPLES_DIR) + "/" + name; }

// Takes the picture `name` of page `id` while its job runs, at the first of the job's
// notifications after which `ready` holds. The picture is taken once the page has taken the
// notification in, whatever the worker has done since.
void whileRunning(Desk& desk, Camera& camera, PageId id, const QString& name,
                  std::function<bool(ui::ProgressPage&)> ready) {
  ui::MainWindow& window = desk.window();
  auto taken = std::make_shared<bool>(false);
  QObject::connect(&window.jobs(), &ui::JobRunner::runningChanged, &window,
                   [&, id, name, ready, taken](bool running) {
                     auto* page = desk.page<ui::ProgressPage>();
                     if (!running || *taken || window.page() != id || !page) return;
                     // Connected after the page's own connections, so the page has its new state
                     // first.
                     auto look = [&, page, name, ready, taken] {
                       if (*taken || !ready(*page)) return;
                       *taken = true;
                       camera.window(window, name, false);
                     };
                     QObject::connect(&window.jobs(), &ui::JobRunner::progressChanged, page, look);
                     QObject::connect(&window.jobs(), &ui::JobRunner::stageChanged, page, look);
                   });
}

void mainMenu(Desk& desk, Camera& camera) {
  camera.window(desk.window(), QStringLiteral("main"));
  const char* previews[] = {"", "hiding", "unhiding", "authoring", "checking", "options", "home"};
  for (int button = 1; button < ui::kMenuButtonCount; ++button) {
    desk.window().showPreview(button);
    camera.window(desk.window(), QStringLiteral("main-preview-") + QLatin1String(previews[button]));
  }
  desk.window().showPreview(0);
  desk.window().help();
  camera.window(*desk.window().helpWindow(), QStringLiteral("help"));
  desk.window().helpWindow()->close();
  Language language = desk.frontEnd().language();
  camera.box(&desk.window(),
             Message{MessageId::kQuitAreYouSure, messageText(MessageId::kQuitRequested, language),
                     messageText(MessageId::kQuitAreYouSure, language)},
             ui::BoxIcon::kQuestion, true, QStringLiteral("box-quit"));
  using enum MessageId;
  // The start-up boxes show before the window does: they have no owner.
  for (auto [id, name] : {std::pair{kNeeded256Colors, "start-colors"},
                          {kNeeded640x480, "start-resolution"},
                          {kCouldntStartThread, "couldnt-start-thread"}})
    camera.message(nullptr, id, QStringLiteral("box-") + QLatin1String(name));
  for (auto [id, name] : {std::pair{kScanFileAlreadyAdded, "file-already-added"},
                          {kFolderNameTooLong, "folder-name-too-long"},
                          {kLastCarrierOutOfRange, "out-of-range"},
                          {kCarrierAlreadyAdded, "carrier-already-added"},
                          {kEnoughCarriers, "enough-carriers"},
                          {kNeedOutputFolder, "need-output-folder"},
                          {kTargetExistsOverwrite, "target-exists"},
                          {kTargetNotAsWritten, "target-not-as-written"},
                          {kFileExistsOverwrite, "file-exists"},
                          {kExtractionCompleted, "extraction-completed"},
                          {kCouldntCreateFolder, "couldnt-create-folder"},
                          {kCouldntCreateFile, "couldnt-create-file"},
                          {kCouldntWriteFile, "couldnt-write-file"},
                          {kFileNameTooLong, "file-name-too-long"},
                          {kCouldntOpenCarrier, "couldnt-open-carrier"},
                          {kWrongCarrierBitsNumber, "wrong-carrier-bits"},
                          {kInsufficientCarrierBits, "insufficient-carrier-bits"},
                          {kNoCarrierBits, "no-carrier-bits"}})
    camera.message(&desk.window(), id, QStringLiteral("box-") + QLatin1String(name));
}

// Step 3 shows only while the stream is built: a large file keeps it on screen long enough.
void streamPage(Desk& desk, Camera& camera) {
  whileRunning(desk, camera, PageId::kHiding3, QStringLiteral("hiding-3"),
               [](ui::ProgressPage& page) { return page.bar()->value() >= 20; });
  desk.reachCarriers({desk.sourceFile("large.bin", 12000000)});
  desk.window().command(ui::MenuCommand::kBackToMainMenu);
}

void hidingRun(Desk& desk, Camera& camera) {
  ui::MainWindow& window = desk.window();
  window.command(ui::MenuCommand::kHidingWizard);
  auto* sources = desk.page<ui::SourcePage>();
  desk.sourceFile("documents/letter.txt", 3000, 1);
  desk.sourceFile("documents/budget/table.csv", 2000, 2);
  desk.dialogs.folders.push_back(desk.dir.file("src/documents"));
  sources->addFolderButton()->click();
  desk.dialogs.files.push_back({desk.sourceFile("notes.txt", 2000, 3)});
  sources->addFilesButton()->click();
  sources->tree()->topLevelItem(0)->child(0)->setExpanded(true);
  camera.window(window, QStringLiteral("hiding-1"));
  sources->nextButton()->click();

  auto* password = desk.page<ui::PasswordPage>();
  password->firstBox()->setText(QStringLiteral("the password of the pictures"));
  password->secondBox()->setText(QStringLiteral("the password of the pictures"));
  camera.window(window, QStringLiteral("hiding-2"));
  password->nextButton()->click();
  desk.waitForPage(PageId::kHiding4);

  // The smaller carrier first, then one that holds the stream alone: moved up, it leaves the
  // other past the stream and the warning line names it.
  auto* carriers = desk.page<ui::CarriersPage>();
  desk.addCarriers({sample("carriers/e_minor.wav"), sample("carriers/a_minor.wav")});
  carriers->list()->topLevelItem(1)->setSelected(true);
  carriers->key(Qt::Key_Minus);
  camera.window(window, QStringLiteral("hiding-4"));
  carriers->key(Qt::Key_Plus);

  // A target already there makes the job wait for an answer half-way: step 5 is taken then.
  writeAll(desk.dir.file("out/e_minor.wav"), {0});
  desk.dialogs.answers = {true};
  desk.dialogs.onAsk = [&](const Message&) { camera.window(window, QStringLiteral("hiding-5")); };
  desk.dialogs.folders.push_back(desk.dir.file("out"));
  carriers->nextButton()->click();
  desk.waitForPage(PageId::kHidingReport);
  desk.dialogs.onAsk = nullptr;
  camera.window(window, QStringLiteral("hiding-report"));
}

// Two sample carriers hold a small tree, read back on the Unhiding Wizard's pages.
void unhidingRun(Desk& desk, Camera& camera) {
  ui::MainWindow& window = desk.window();
  const QString password = QStringLiteral("the password of the pictures");
  // More than the first carrier holds, so both are written.
  // Read-only, so the extraction page shows an attribute letter.
  chmod(desk.sourceFile("letters/to mother.txt", 4200, 1).c_str(), 0444);
  desk.sourceFile("letters/drafts/first.txt", 3400, 2);
  std::vector<std::string> sources{desk.dir.file("src/letters"), sample("secret/letter.txt")};
  // A folder as deep as a user's, for the paths the diagnosis names.
  const std::string hidden = desk.dir.file("hidden/Holiday_pictures_2024/sent_back_by_the_family");
  std::filesystem::create_directories(hidden);
  desk.hide(sources, {sample("carriers/c_major.wav"), sample("carriers/e_minor.wav")}, hidden,
            password);
  std::vector<std::string> targets{hidden + "/c_major.wav", hidden + "/e_minor.wav"};

  window.command(ui::MenuCommand::kUnhidingWizard);
  desk.addCarriers(targets);
  camera.window(window, QStringLiteral("unhiding-1"));
  desk.page<ui::CarriersPage>()->nextButton()->click();
  auto* passwordPage = desk.page<ui::PasswordPage>();
  passwordPage->firstBox()->setText(password);
  passwordPage->secondBox()->setText(password);
  camera.window(window, QStringLiteral("unhiding-2"));
  whileRunning(desk, camera, PageId::kUnhiding3, QStringLiteral("unhiding-3"),
               [](ui::ProgressPage& page) { return page.bar()->value() >= 50; });
  whileRunning(desk, camera, PageId::kUnhiding3, QStringLiteral("unhiding-3-decoding"),
               [&](ui::ProgressPage& page) {
                 return page.caption()->text() ==
                        ui::text(ui::UiText::kDecryptingDecompressing, desk.frontEnd().language());
               });
  passwordPage->nextButton()->click();
  desk.waitForPage(PageId::kUnhidingExtraction);

  auto* extraction = desk.page<ui::ExtractionPage>();
  extraction->list()->topLevelItem(1)->setSelected(true);
  camera.window(window, QStringLiteral("unhiding-extraction"));
  extraction->open(*extraction->folder().subfolders.front());
  for (int row : {1, 2}) extraction->list()->topLevelItem(row)->setSelected(true);
  camera.window(window, QStringLiteral("unhiding-extraction-folder"));
  // A file already there makes the extraction ask half-way.
  std::filesystem::create_directories(desk.dir.file("back/drafts"));
  writeAll(desk.dir.file("back/drafts/first.txt"), {0});
  desk.dialogs.answers = {true};
  desk.dialogs.folders.push_back(desk.dir.file("back"));
  extraction->extractSelectedButton()->click();
  desk.waitForPage(PageId::kUnhidingExtraction);

  // Carriers out of order: the message as the wizard shows it.
  desk.dialogs.shown.clear();
  desk.unhide({targets[1], targets[0]}, password);
  if (!desk.dialogs.shown.empty())
    camera.box(&window, desk.dialogs.shown.back(), ui::BoxIcon::kExclamation, false,
               QStringLiteral("box-invalid-data"));
}

// The same two carriers marked, then one of them checked.
void authoringRun(Desk& desk, Camera& camera) {
  ui::MainWindow& window = desk.window();
  window.command(ui::MenuCommand::kAuthoringWizard);
  desk.addCarriers({sample("carriers/a_minor.wav"), sample("carriers/c_major.wav")});
  camera.window(window, QStringLiteral("authoring-1"));
  desk.page<ui::CarriersPage>()->nextButton()->click();
  auto* mark = desk.page<ui::MarkPage>();
  const QString text = QStringLiteral("(c) 2024 Murl sample sounds - all rights reserved");
  mark->firstBox()->setText(text);
  mark->secondBox()->setText(text);
  camera.window(window, QStringLiteral("authoring-2"));
  std::filesystem::create_directory(desk.dir.file("marked"));
  writeAll(desk.dir.file("marked/c_major.wav"), {0});
  desk.dialogs.answers = {true};
  desk.dialogs.onAsk = [&](const Message&) {
    camera.window(window, QStringLiteral("authoring-3"));
  };
  desk.dialogs.folders.push_back(desk.dir.file("marked"));
  mark->nextButton()->click();
  desk.waitForPage(PageId::kAuthoringReport);
  desk.dialogs.onAsk = nullptr;
  camera.window(window, QStringLiteral("authoring-report"));

  window.command(ui::MenuCommand::kCheckingWizard);
  camera.window(window, QStringLiteral("checking-empty"));
  auto* panel = desk.page<ui::CheckingPanel>();
  desk.dialogs.files.push_back({desk.dir.file("marked/a_minor.wav")});
  panel->checkButton()->click();
  desk.waitForPage(PageId::kChecking);
  camera.window(window, QStringLiteral("checking"));
  panel->report()->scrollToItem(panel->report()->topLevelItem(2)->child(99));
  camera.window(window, QStringLiteral("checking-details"));
}

void optionsPanel(Desk& desk, Camera& camera) {
  ui::MainWindow& window = desk.window();
  window.command(ui::MenuCommand::kOptionsPanel);
  camera.window(window, QStringLiteral("options"));
  auto* panel = desk.page<ui::OptionsPanel>();
  QTreeWidget* tree = panel->tree();
  tree->topLevelItem(0)->setExpanded(false);
  QTreeWidgetItem* png = tree->findItems(QStringLiteral("PNG"), Qt::MatchExactly).front();
  png->setExpanded(true);
  tree->scrollToItem(png, QAbstractItemView::PositionAtTop);
  camera.window(window, QStringLiteral("options-png"));
}

}  // namespace
}  // namespace murl::test

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: murl_screenshots OUTPUT_FOLDER\n");
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  // No button is under the pointer: the pictures show every button at rest.
  QCursor::setPos(4000, 4000);
  QString folder = QString::fromLocal8Bit(argv[1]);
  QDir().mkpath(folder);
  int count = 0;
  for (murl::Language language : {murl::Language::kEnglish, murl::Language::kItalian}) {
    murl::test::Camera camera(folder, language);
    murl::test::Desk desk(language);
    murl::test::mainMenu(desk, camera);
    murl::test::streamPage(desk, camera);
    murl::test::hidingRun(desk, camera);
    murl::test::unhidingRun(desk, camera);
    murl::test::authoringRun(desk, camera);
    murl::test::optionsPanel(desk, camera);
    count += camera.count();
  }
  std::printf("%d pictures in %s\n", count, qPrintable(folder));
  return 0;
}
