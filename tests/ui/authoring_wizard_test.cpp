// The Authoring Wizard and the Checking Panel driven as a user drives them: a mark typed twice,
// carriers marked, and a marked carrier checked back whole.
#include "ui/authoring_wizard.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <filesystem>

#include "ui/carriers_page.h"
#include "ui/checking_panel.h"
#include "ui/drop_tree.h"
#include "ui/password_page.h"
#include "ui/report_page.h"
#include "ui_fixture.h"

namespace murl::test {
namespace {

using ui::PageId;

const QString kMark = QStringLiteral("(c) 2024 the authoring test");

class AuthoringWizardTest : public QObject {
  Q_OBJECT

 private slots:
  void aMarkTypedTwiceMarksCarriersThatCheckWholeAndSavesTheCheck() {
    Desk desk;
    std::string photo = desk.bmpCarrier("photo.bmp", 80, 60);
    std::string song = desk.wavCarrier("song.wav", 30000);
    ui::MarkPage* page = desk.reachMark({photo, song});
    QVERIFY(page);
    // A mark is typed the same twice, shown as typed, at most a hundred characters.
    QVERIFY(page->firstBox()->echoMode() == QLineEdit::Normal);
    const QString hundred(100, QLatin1Char('m'));
    QTest::keyClicks(page->firstBox(), hundred + QLatin1Char('!'));
    QCOMPARE(page->firstBox()->text(), hundred);
    QVERIFY(!page->nextButton()->isEnabled());
    QTest::keyClicks(page->secondBox(), hundred);
    QVERIFY(page->nextButton()->isEnabled());
    page->secondBox()->setText(hundred.left(99) + QLatin1Char('M'));
    QVERIFY(!page->nextButton()->isEnabled());
    page->firstBox()->clear();
    page->secondBox()->clear();
    QVERIFY(!page->nextButton()->isEnabled());
    page->firstBox()->setText(kMark);
    page->secondBox()->setText(kMark);
    desk.dialogs.folders.push_back(desk.dir.file("out"));
    page->nextButton()->click();
    QVERIFY(desk.waitForPage(PageId::kAuthoringReport));
    QCOMPARE(desk.window().windowTitle(), QStringLiteral("Murl v1.01 - Last Step [Report]"));
    QString report = desk.page<ui::ReportPage>()->box()->toPlainText();
    QVERIFY(report.contains(QStringLiteral("Copyright mark: <") + kMark + QLatin1Char('>')));
    QVERIFY(report.indexOf(QString::fromStdString(photo)) <
            report.indexOf(QString::fromStdString(song)));
    QCOMPARE(folderNames(desk.dir.file("out")),
             (std::vector<std::string>{"photo.bmp", "song.wav"}));

    desk.window().command(ui::MenuCommand::kCheckingWizard);
    auto* panel = desk.page<ui::CheckingPanel>();
    QVERIFY(panel);
    QVERIFY(!panel->saveButton()->isEnabled());
    desk.dialogs.files.push_back({desk.dir.file("out/photo.bmp")});
    panel->checkButton()->click();
    QVERIFY(desk.waitForPage(PageId::kChecking));
    // Three roots, bold and open: the carrier, the mark whole, and a row for each mark byte.
    QTreeWidget* tree = panel->report();
    QCOMPARE(tree->topLevelItemCount(), 3);
    QCOMPARE(tree->topLevelItem(1)->child(1)->text(0),
             QStringLiteral("Global integrity 100.000000%"));
    QCOMPARE(tree->topLevelItem(2)->childCount(), 100);
    for (int i = 0; i < 3; ++i) {
      QVERIFY(tree->topLevelItem(i)->font(0).bold());
      QVERIFY(tree->topLevelItem(i)->isExpanded());
    }
    QVERIFY(!tree->topLevelItem(0)->icon(0).isNull());
    QVERIFY(desk.dialogs.shown.empty());

    desk.dialogs.saves.push_back(desk.dir.file("check.txt"));
    panel->saveButton()->click();
    std::vector<uint8_t> saved = readAll(desk.dir.file("check.txt"));
    std::string text(saved.begin(), saved.end());
    QVERIFY(text.rfind("photo.bmp\n  Carrier bits: ", 0) == 0);
    QVERIFY(text.find("\nCopyright Mark\n  Mark: <" + kMark.toStdString() + ">\n") !=
            std::string::npos);
  }

  // A file that is no carrier, dropped on the Checking Panel: its message, the panel kept empty.
  void aRefusedCheckShowsItsMessageAndKeepsThePanel() {
    Desk desk;
    desk.window().command(ui::MenuCommand::kCheckingWizard);
    auto* panel = desk.page<ui::CheckingPanel>();
    dropFiles(panel->report()->viewport(), {desk.sourceFile("notes.txt", 3000)});
    QVERIFY(desk.waitForPage(PageId::kChecking));
    QCOMPARE(desk.dialogs.shownIds(), std::vector<MessageId>{MessageId::kNoCarrierBits});
    QCOMPARE(desk.page<ui::CheckingPanel>(), panel);
    QCOMPARE(panel->report()->topLevelItemCount(), 0);
  }
};

}  // namespace

MURL_UI_SUITE(AuthoringWizardTest);

}  // namespace murl::test

#include "authoring_wizard_test.moc"
