// Writes a picture of every page and message box of the main menu and the Hiding Wizard, in
// English and Italian, into the folder given: PAGE-en.png and PAGE-it.png. It drives the real
// window on Qt's offscreen platform, with scripted dialogs and the repository's sample files.
#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <cstdio>
#include <filesystem>

#include "ui/carriers_page.h"
#include "ui/drop_tree.h"
#include "ui/help_window.h"
#include "ui/password_page.h"
#include "ui/source_page.h"
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

  // The window as a person sees it: its title on a bar above the client area.
  void window(QWidget& window, const QString& name) {
    QCoreApplication::processEvents();
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
  for (auto [id, name] : {std::pair{MessageId::kNeeded256Colors, "box-start-colors"},
                          std::pair{MessageId::kNeeded640x480, "box-start-resolution"},
                          std::pair{MessageId::kCouldntStartThread, "box-couldnt-start-thread"}})
    camera.message(nullptr, id, QLatin1String(name));
}

// Step 3 shows only while the stream is built: a large file keeps it on screen long enough.
void streamPage(Desk& desk, Camera& camera) {
  ui::MainWindow& window = desk.window();
  bool taken = false;
  QObject::connect(&window.jobs(), &ui::JobRunner::progressChanged, &window, [&](int percent) {
    if (taken || percent < 20 || window.page() != PageId::kHiding3) return;
    taken = true;
    QMetaObject::invokeMethod(
        &window, [&] { camera.window(window, QStringLiteral("hiding-3")); }, Qt::QueuedConnection);
  });
  desk.reachCarriers({desk.sourceFile("large.bin", 12000000)});
  window.command(ui::MenuCommand::kBackToMainMenu);
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
  camera.message(&window, MessageId::kScanFileAlreadyAdded,
                 QStringLiteral("box-file-already-added"));
  camera.message(&window, MessageId::kFolderNameTooLong,
                 QStringLiteral("box-folder-name-too-long"));
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
  camera.message(&window, MessageId::kLastCarrierOutOfRange, QStringLiteral("box-out-of-range"));
  camera.message(&window, MessageId::kCarrierAlreadyAdded,
                 QStringLiteral("box-carrier-already-added"));
  camera.message(&window, MessageId::kEnoughCarriers, QStringLiteral("box-enough-carriers"));
  camera.message(&window, MessageId::kNeedOutputFolder, QStringLiteral("box-need-output-folder"));
  camera.message(&window, MessageId::kTargetExistsOverwrite, QStringLiteral("box-target-exists"));
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
    count += camera.count();
  }
  std::printf("%d pictures in %s\n", count, qPrintable(folder));
  return 0;
}
