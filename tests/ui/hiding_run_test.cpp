// Whole runs of the Hiding Wizard: targets that murl-cli gets the files back from, the output
// folder question, the report and leaving or quitting on the way.
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBrowser>
#include <QToolButton>
#include <QToolTip>
#include <filesystem>

#include "support/cli_run.h"
#include "ui/carriers_page.h"
#include "ui/drop_tree.h"
#include "ui/help_window.h"
#include "ui/hiding_wizard.h"
#include "ui/password_page.h"
#include "ui/progress_page.h"
#include "ui/report_page.h"
#include "ui/source_page.h"
#include "ui_fixture.h"

namespace murl::test {
namespace {

using ui::PageId;

const QString kPassword = QStringLiteral("a password of the wizard test");

class HidingRunTest : public QObject {
  Q_OBJECT

 private:
  // Steps 1 to 4 with a 20,000-byte secret in a BMP and a WAV carrier.
  bool prepare(Desk& desk) {
    secret = desk.sourceFile("secret.bin", 20000, 5);
    std::vector<std::string> carriers{desk.bmpCarrier("photo.bmp", 160, 120),
                                      desk.wavCarrier("song.wav", 200000)};
    return desk.reachCarriers({secret}, kPassword) && desk.addCarriers(carriers) &&
           desk.page<ui::CarriersPage>()->nextButton()->isEnabled();
  }

  std::string secret;

 private slots:
  void writesTargetsThatMurlCliUnhidesAndSavesTheReport() {
    Desk desk;
    QVERIFY(prepare(desk));
    auto* carriers = desk.page<ui::CarriersPage>();
    QCOMPARE(carriers->list()->topLevelItemCount(), 2);
    std::vector<QString> seen;
    QObject::connect(&desk.window().jobs(), &ui::JobRunner::runningChanged, [&](bool running) {
      auto* page = desk.page<ui::ProgressPage>();
      if (running && page) seen.push_back(page->statusLabel(StatusLabel::kTitle1)->text());
      if (running) QVERIFY(!desk.window().centralWidget()->isEnabled());
    });
    desk.dialogs.folders.push_back(desk.dir.file("out"));
    carriers->nextButton()->click();
    QVERIFY(desk.waitForPage(PageId::kHidingReport));
    QCOMPARE(seen, std::vector<QString>{QStringLiteral("Source Carrier")});
    QVERIFY(desk.window().centralWidget()->isEnabled());
    QVERIFY(desk.dialogs.shown.empty());
    QVERIFY(desk.tempFiles().empty());  // the stream is wiped once the targets are written

    auto* report = desk.page<ui::ReportPage>();
    QString text = report->box()->toPlainText();
    QVERIFY(text.contains(QStringLiteral("Password: <") + kPassword + QLatin1Char('>')));
    std::string pw = kPassword.toStdString() + "\n";
    writeAll(desk.dir.file("pw.txt"), {pw.begin(), pw.end()});
    std::filesystem::create_directory(desk.dir.file("back"));
    CliResult unhide = runCli(desk.dir,
                              "unhide --lang en -o back --password-file pw.txt "
                              "out/photo.bmp out/song.wav");
    QCOMPARE(unhide.status, 0);
    QVERIFY(readAll(desk.dir.file("back/secret.bin")) == readAll(secret));

    report->saveButton()->click();  // cancelled: nothing written
    QVERIFY(!std::filesystem::exists(desk.dir.file("report.txt")));
    desk.dialogs.saves.push_back(desk.dir.file("report.txt"));
    report->saveButton()->click();
    std::vector<uint8_t> saved = readAll(desk.dir.file("report.txt"));
    QCOMPARE(
        QString::fromUtf8(reinterpret_cast<const char*>(saved.data()), qsizetype(saved.size())),
        text);
    desk.dialogs.saves.push_back(desk.dir.file("no/such/folder/report.txt"));
    report->saveButton()->click();
    QCOMPARE(desk.dialogs.shownIds(), std::vector<MessageId>{MessageId::kCouldntCreateFile});
    // A disk that fails while the report is written keeps no part of it.
    desk.disk.failFrom(FsCall::kWrite);
    desk.dialogs.saves.push_back(desk.dir.file("broken.txt"));
    report->saveButton()->click();
    QCOMPARE(desk.dialogs.shownIds(),
             (std::vector<MessageId>{MessageId::kCouldntCreateFile, MessageId::kCouldntWriteFile}));
    QVERIFY(!std::filesystem::exists(desk.dir.file("broken.txt")));
  }

  // Each way of leaving at step 4 or in the writing job ends the run: no target written or
  // replaced, no temporary file left.
  void leavingOnTheWayWritesNothing() {
    struct Case {
      bool intoOut;  // out/ chosen, holding a one-byte photo.bmp already; else the dialog cancelled
      std::deque<bool> answers;
      bool quitAtQuestion;  // the user closes the window while the job waits for its answer
      std::vector<MessageId> asked;
      const char* what;
    };
    using enum MessageId;
    const Case cases[] = {
        {false,
         {false, true},
         false,
         {kNeedOutputFolder, kNeedOutputFolder},
         "No to the folder question asks again, Yes leaves"},
        {true, {}, false, {kTargetExistsOverwrite}, "No to overwriting returns without a word"},
        // "Are you sure?" Yes; the overwrite's Yes comes too late.
        {true,
         {true, true},
         true,
         {kTargetExistsOverwrite, kQuitAreYouSure},
         "quitting while the job waits ends it"},
        {false, {}, false, {}, "Back to the menu frees the run"},
    };
    for (const Case& c : cases) {
      Desk desk;
      QVERIFY2(prepare(desk), c.what);
      QCOMPARE(desk.tempFiles().size(), 1u);  // the stream waits for its carriers, by no name
      if (c.intoOut) {
        writeAll(desk.dir.file("out/photo.bmp"), {1});
        desk.dialogs.folders.push_back(desk.dir.file("out"));
      }
      desk.dialogs.answers = c.answers;
      if (c.quitAtQuestion)
        desk.dialogs.onAsk = [&](const Message& m) {
          if (m.id == MessageId::kTargetExistsOverwrite) desk.window().close();
        };
      if (c.asked.empty()) {
        desk.window().menuButton(0)->click();
      } else {
        desk.page<ui::CarriersPage>()->nextButton()->click();
      }
      QVERIFY2(QTest::qWaitFor([&] { return !desk.window().jobs().running(); }, 30000), c.what);
      QVERIFY2(desk.dialogs.askedIds() == c.asked, c.what);
      QVERIFY2(desk.dialogs.shown.empty(), c.what);
      QCOMPARE(desk.window().isVisible(), !c.quitAtQuestion);
      if (!c.quitAtQuestion) QCOMPARE(desk.window().page(), PageId::kMainMenu);
      QVERIFY2(desk.tempFiles().empty(), c.what);
      QCOMPARE(desk.frontEnd().workspace().password.length(), 0u);
      QCOMPARE(folderNames(desk.dir.file("out")),
               c.intoOut ? std::vector<std::string>{"photo.bmp"} : std::vector<std::string>{});
      if (c.intoOut) QCOMPARE(readAll(desk.dir.file("out/photo.bmp")), std::vector<uint8_t>{1});
    }
  }

  void quitNoKeepsEverythingYesWhileTheStreamIsBuiltLeavesNothing() {
    Desk desk;
    desk.window().command(ui::MenuCommand::kHidingWizard);
    desk.dialogs.files.push_back({desk.sourceFile("big.bin", 3000000)});
    desk.page<ui::SourcePage>()->addFilesButton()->click();
    QVERIFY(!desk.window().close());
    QCOMPARE(desk.dialogs.askedIds(), std::vector<MessageId>{MessageId::kQuitAreYouSure});
    QCOMPARE(desk.dialogs.asked[0].title, std::string("Quit requested"));
    QCOMPARE(desk.dialogs.askedIcons[0], ui::BoxIcon::kQuestion);
    QVERIFY(desk.window().isVisible());
    QVERIFY(!desk.frontEnd().workspace().closing);
    QCOMPARE(desk.page<ui::SourcePage>()->tree()->topLevelItem(0)->childCount(), 1);

    desk.page<ui::SourcePage>()->nextButton()->click();
    QObject::connect(&desk.window().jobs(), &ui::JobRunner::runningChanged, [&](bool running) {
      if (!running || desk.window().page() != PageId::kHiding3) return;
      desk.dialogs.answers = {true};
      QMetaObject::invokeMethod(
          &desk.window(), [&] { desk.window().close(); }, Qt::QueuedConnection);
    });
    auto* password = desk.page<ui::PasswordPage>();
    password->firstBox()->setText(kPassword);
    password->secondBox()->setText(kPassword);
    password->nextButton()->click();
    QVERIFY(QTest::qWaitFor([&] { return !desk.window().isVisible(); }, 30000));
    QVERIFY(desk.frontEnd().workspace().closing);
    QVERIFY(!desk.window().jobs().running());
    QVERIFY(desk.tempFiles().empty());
  }
};

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void buttonsTooltipsPreviewsAndTheHomePage() {
    Desk desk;
    QCOMPARE(desk.window().menuButton(1)->toolTip(), QStringLiteral("Hiding Wizard"));
    QCOMPARE(desk.window().size(), QSize(ui::MainWindow::kWidth, ui::MainWindow::kHeight));
    QCOMPARE(desk.window().minimumSize(), desk.window().maximumSize());
    auto* preview = desk.window().currentPage()->findChild<QLabel*>(QStringLiteral("preview"));
    QVERIFY(preview);
    QImage menu = preview->pixmap().toImage();
    QEvent enter(QEvent::Enter);
    QCoreApplication::sendEvent(desk.window().menuButton(1), &enter);
    QImage hiding = preview->pixmap().toImage();
    QVERIFY(hiding != menu);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(desk.window().menuButton(1), &leave);
    QCOMPARE(preview->pixmap().toImage(), menu);
    QCoreApplication::sendEvent(desk.window().menuButton(0), &enter);  // no preview for 1000
    QCOMPARE(preview->pixmap().toImage(), menu);

    // The home page opens in the browser; the window stays on the menu.
    desk.window().menuButton(6)->click();
    QCOMPARE(desk.dialogs.urls.size(), 1u);
    QVERIFY(desk.dialogs.urls[0].startsWith(QLatin1String("https://")));
    QCOMPARE(desk.window().page(), PageId::kMainMenu);

    QToolButton* button = desk.window().menuButton(2);
    QHelpEvent tip(QEvent::ToolTip, QPoint(5, 5), button->mapToGlobal(QPoint(5, 5)));
    QCoreApplication::sendEvent(button, &tip);
    QVERIFY(QToolTip::isVisible());
    QToolTip::hideText();
    QVERIFY(QTest::qWaitFor([] { return !QToolTip::isVisible(); }));
    desk.frontEnd().workspace().closing = true;  // nothing pops up while closing
    QCoreApplication::sendEvent(button, &enter);
    QCOMPARE(preview->pixmap().toImage(), menu);
    QCoreApplication::sendEvent(button, &tip);
    QVERIFY(!QToolTip::isVisible());
  }

  void helpOpensAtThePagesTopic() {
    Desk desk(Language::kItalian);
    desk.window().help();
    QVERIFY(desk.window().helpWindow()->isVisible());
    QCOMPARE(desk.window().helpWindow()->browser()->source().fragment(), QStringLiteral("main"));
    QVERIFY(desk.window().helpWindow()->browser()->toPlainText().contains(
        QStringLiteral("Menu Principale")));
    desk.window().command(ui::MenuCommand::kHidingWizard);
    QTest::keyClick(&desk.window(), Qt::Key_F1);
    QCOMPARE(desk.window().helpWindow()->browser()->source().fragment(),
             QStringLiteral("hiding-1"));
  }
};

}  // namespace

MURL_UI_SUITE(HidingRunTest);
MURL_UI_SUITE(MainWindowTest);

}  // namespace murl::test

#include "hiding_run_test.moc"
