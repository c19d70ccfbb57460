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
  void writesTargetsThatMurlCliUnhides() {
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
    QVERIFY(text.indexOf(QLatin1String("#00000:   photo.bmp")) <
            text.indexOf(QLatin1String("#00001:   song.wav")));

    std::string pw = kPassword.toStdString() + "\n";
    writeAll(desk.dir.file("pw.txt"), {pw.begin(), pw.end()});
    std::filesystem::create_directory(desk.dir.file("back"));
    CliResult unhide = runCli(desk.dir,
                              "unhide --lang en -o back --password-file pw.txt "
                              "out/photo.bmp out/song.wav");
    QCOMPARE(unhide.status, 0);
    QVERIFY(readAll(desk.dir.file("back/secret.bin")) == readAll(secret));
  }

  void theReportIsSavedWhereTheUserSays() {
    Desk desk;
    QVERIFY(prepare(desk));
    desk.dialogs.folders.push_back(desk.dir.file("out"));
    desk.page<ui::CarriersPage>()->nextButton()->click();
    QVERIFY(desk.waitForPage(PageId::kHidingReport));
    auto* report = desk.page<ui::ReportPage>();
    report->saveButton()->click();  // cancelled: nothing written
    QVERIFY(!std::filesystem::exists(desk.dir.file("report.txt")));
    desk.dialogs.saves.push_back(desk.dir.file("report.txt"));
    report->saveButton()->click();
    std::vector<uint8_t> saved = readAll(desk.dir.file("report.txt"));
    QCOMPARE(
        QString::fromUtf8(reinterpret_cast<const char*>(saved.data()), qsizetype(saved.size())),
        report->box()->toPlainText());
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

  void noToTheFolderQuestionAsksAgainYesLeaves() {
    Desk desk;
    QVERIFY(prepare(desk));
    QCOMPARE(desk.tempFiles().size(), 1u);  // the stream waits for its carriers, by no name
    desk.dialogs.answers = {false, true};
    desk.page<ui::CarriersPage>()->nextButton()->click();
    QCOMPARE(desk.dialogs.folderTitles,
             (std::vector<QString>{QStringLiteral("Select Output Folder"),
                                   QStringLiteral("Select Output Folder")}));
    QCOMPARE(desk.dialogs.askedIds(),
             (std::vector<MessageId>{MessageId::kNeedOutputFolder, MessageId::kNeedOutputFolder}));
    QCOMPARE(desk.dialogs.askedIcons.back(), ui::BoxIcon::kExclamation);
    QCOMPARE(desk.window().page(), PageId::kMainMenu);
    QVERIFY(desk.tempFiles().empty());
    QVERIFY(folderNames(desk.dir.file("out")).empty());
  }

  void noToOverwritingReturnsToTheMenuWithoutAWord() {
    Desk desk;
    QVERIFY(prepare(desk));
    writeAll(desk.dir.file("out/photo.bmp"), {1});
    desk.dialogs.folders.push_back(desk.dir.file("out"));
    desk.page<ui::CarriersPage>()->nextButton()->click();
    QVERIFY(desk.waitForPage(PageId::kMainMenu));
    QCOMPARE(desk.dialogs.askedIds(), std::vector<MessageId>{MessageId::kTargetExistsOverwrite});
    QVERIFY(desk.dialogs.shown.empty());
    QCOMPARE(folderNames(desk.dir.file("out")), std::vector<std::string>{"photo.bmp"});
    QCOMPARE(readAll(desk.dir.file("out/photo.bmp")), std::vector<uint8_t>{1});
    QVERIFY(desk.tempFiles().empty());
  }

  void quittingWhileTheJobWaitsForAnAnswerEndsIt() {
    Desk desk;
    QVERIFY(prepare(desk));
    writeAll(desk.dir.file("out/photo.bmp"), {1});
    // The job waits for its question; the user quits instead of answering it.
    desk.dialogs.onAsk = [&](const Message& message) {
      if (message.id != MessageId::kTargetExistsOverwrite) return;
      desk.dialogs.answers = {true, true};  // "Are you sure?" Yes; the overwrite comes too late
      desk.window().close();
    };
    desk.dialogs.folders.push_back(desk.dir.file("out"));
    desk.page<ui::CarriersPage>()->nextButton()->click();
    QVERIFY(QTest::qWaitFor([&] { return !desk.window().isVisible(); }, 30000));
    QVERIFY(!desk.window().jobs().running());
    QCOMPARE(folderNames(desk.dir.file("out")), std::vector<std::string>{"photo.bmp"});
    QCOMPARE(readAll(desk.dir.file("out/photo.bmp")), std::vector<uint8_t>{1});
    QVERIFY(desk.tempFiles().empty());
  }

  void backToTheMenuFreesTheRun() {
    Desk desk;
    QVERIFY(prepare(desk));
    desk.window().menuButton(0)->click();
    QCOMPARE(desk.window().page(), PageId::kMainMenu);
    QCOMPARE(desk.window().windowTitle(),
             QStringLiteral("Murl v1.01 - Steganographer & Authoring"));
    QVERIFY(desk.tempFiles().empty());
    QCOMPARE(desk.frontEnd().workspace().password.length(), 0u);
  }

  void quitNoKeepsEverything() {
    Desk desk;
    desk.window().command(ui::MenuCommand::kHidingWizard);
    desk.dialogs.files.push_back({desk.sourceFile("a.txt", 5)});
    desk.page<ui::SourcePage>()->addFilesButton()->click();
    QVERIFY(!desk.window().close());
    QCOMPARE(desk.dialogs.asked.size(), 1u);
    QCOMPARE(desk.dialogs.asked[0].title, std::string("Quit requested"));
    QCOMPARE(desk.dialogs.asked[0].text, std::string("Are you sure?"));
    QCOMPARE(desk.dialogs.askedIcons[0], ui::BoxIcon::kQuestion);
    QVERIFY(desk.window().isVisible());
    QVERIFY(!desk.frontEnd().workspace().closing);
    QCOMPARE(desk.window().page(), PageId::kHiding1);
    QCOMPARE(desk.page<ui::SourcePage>()->tree()->topLevelItem(0)->childCount(), 1);
  }

  void quitYesWhileTheStreamIsBuiltLeavesNoTemporaryFile() {
    Desk desk;
    desk.window().command(ui::MenuCommand::kHidingWizard);
    desk.dialogs.files.push_back({desk.sourceFile("big.bin", 3000000)});
    desk.page<ui::SourcePage>()->addFilesButton()->click();
    desk.page<ui::SourcePage>()->nextButton()->click();
    bool quitAsked = false;
    QObject::connect(&desk.window().jobs(), &ui::JobRunner::runningChanged, [&](bool running) {
      if (!running || quitAsked) return;
      quitAsked = true;
      desk.dialogs.answers = {true};
      QMetaObject::invokeMethod(
          &desk.window(), [&] { desk.window().close(); }, Qt::QueuedConnection);
    });
    auto* page = desk.window().currentPage()->findChildren<QPushButton*>().back();
    desk.window().currentPage()->findChildren<QLineEdit*>()[0]->setText(kPassword);
    desk.window().currentPage()->findChildren<QLineEdit*>()[1]->setText(kPassword);
    page->click();
    QVERIFY(QTest::qWaitFor([&] { return !desk.window().isVisible(); }, 30000));
    QVERIFY(desk.frontEnd().workspace().closing);
    QVERIFY(!desk.window().jobs().running());
    QVERIFY(desk.tempFiles().empty());
  }
};

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void buttonsTooltipsAndPreviews() {
    Desk desk;
    const char* tips[] = {"Back to Main Menu", "Hiding Wizard",   "Unhiding Wizard",
                          "Authoring Wizard",  "Checking Wizard", "Options Panel",
                          "Go to Home Page"};
    for (int i = 0; i < ui::kMenuButtonCount; ++i)
      QCOMPARE(desk.window().menuButton(i)->toolTip(), QString::fromLatin1(tips[i]));
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

  void homePageOpensInTheBrowser() {
    Desk desk;
    desk.window().menuButton(6)->click();
    QCOMPARE(desk.dialogs.urls.size(), 1u);
    QVERIFY(desk.dialogs.urls[0].startsWith(QLatin1String("https://")));
    QCOMPARE(desk.window().page(), PageId::kMainMenu);
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
