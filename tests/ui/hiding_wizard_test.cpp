// The Hiding Wizard driven as a user drives it, with the dialogs answered from a script.
#include "ui/hiding_wizard.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <filesystem>

#include "core/number_display.h"
#include "stream/source_tree.h"
#include "support/cli_run.h"
#include "ui/carriers_page.h"
#include "ui/drop_tree.h"
#include "ui/password_page.h"
#include "ui/report_page.h"
#include "ui/source_page.h"
#include "ui_fixture.h"

namespace murl::test {
namespace {

using ui::PageId;

QString counted(const char* pattern, uint32_t value) {
  return QString::fromLatin1(pattern).arg(QString::fromStdString(formatCount(value)));
}

std::vector<QString> rowNames(ui::CarriersPage* page) {
  std::vector<QString> names;
  for (int i = 0; i < page->list()->topLevelItemCount(); ++i)
    names.push_back(page->list()->topLevelItem(i)->text(0) + QLatin1Char(' ') +
                    page->list()->topLevelItem(i)->text(2));
  return names;
}

void selectRows(ui::CarriersPage* page, std::initializer_list<int> rows) {
  page->list()->clearSelection();
  for (int row : rows) page->list()->topLevelItem(row)->setSelected(true);
}

class HidingSourcesTest : public QObject {
  Q_OBJECT

 private slots:
  void nextWaitsForAFile() {
    Desk desk;
    desk.window().command(ui::MenuCommand::kHidingWizard);
    auto* page = desk.page<ui::SourcePage>();
    QVERIFY(page);
    QCOMPARE(desk.window().windowTitle(), QStringLiteral("Murl v1.01 - Hiding Step 1"));
    QVERIFY(!page->nextButton()->isEnabled());
    page->addFilesButton()->click();  // cancelled
    QVERIFY(!page->nextButton()->isEnabled());
    desk.dialogs.files.push_back({desk.sourceFile("a.bin", 1500), desk.sourceFile("b.bin", 20)});
    page->addFilesButton()->click();
    QVERIFY(page->nextButton()->isEnabled());
    QCOMPARE(page->tree()->topLevelItem(0)->text(0), QStringLiteral("Root\\"));
    QCOMPARE(page->tree()->topLevelItem(0)->childCount(), 2);
    QCOMPARE(page->findChildren<QLabel*>()[0]->text(), counted("Files num: %1", 2));
    QCOMPARE(page->findChildren<QLabel*>()[1]->text(), counted("Size: %1 bytes", 1520));
    QCOMPARE(desk.dialogs.filterLists.back().size(), 1u);
    QCOMPARE(desk.dialogs.filterLists.back()[0].name, QStringLiteral("All Files"));
  }

  void aDropOfTwoFilesAddsBoth() {
    Desk desk;
    desk.window().command(ui::MenuCommand::kHidingWizard);
    auto* page = desk.page<ui::SourcePage>();
    dropFiles(page->tree()->viewport(), {desk.sourceFile("x.txt", 5), desk.sourceFile("y.txt", 6)});
    QCOMPARE(page->tree()->topLevelItem(0)->childCount(), 2);
    QVERIFY(page->nextButton()->isEnabled());
  }

  void foldersJoinUnderTheirNameAndDeleteTakesThemOut() {
    Desk desk;
    desk.sourceFile("docs/a.txt", 10);
    desk.sourceFile("docs/deep/b.txt", 20);
    std::string single = desk.sourceFile("c.txt", 30);
    desk.window().command(ui::MenuCommand::kHidingWizard);
    auto* page = desk.page<ui::SourcePage>();
    desk.dialogs.folders.push_back(desk.dir.file("src/docs"));
    page->addFolderButton()->click();
    dropFiles(page->tree()->viewport(), {single});
    QTreeWidgetItem* root = page->tree()->topLevelItem(0);
    QCOMPARE(root->childCount(), 2);
    QCOMPARE(root->child(0)->text(0), QStringLiteral("docs"));
    QCOMPARE(root->child(0)->childCount(), 2);  // deep/ and a.txt
    QCOMPARE(root->child(1)->text(0), QStringLiteral("c.txt"));
    QCOMPARE(desk.dialogs.folderTitles.back(), QStringLiteral("Add Folder"));

    root->child(0)->setSelected(true);
    QTest::keyClick(page->tree(), Qt::Key_Delete);
    root = page->tree()->topLevelItem(0);
    QCOMPARE(root->childCount(), 1);
    QCOMPARE(page->findChildren<QLabel*>()[0]->text(), counted("Files num: %1", 1));
    QCOMPARE(page->findChildren<QLabel*>()[1]->text(), counted("Size: %1 bytes", 30));
    root->child(0)->setSelected(true);
    QTest::keyClick(page->tree(), Qt::Key_Delete);
    QVERIFY(!page->nextButton()->isEnabled());
  }

  void aTooLongFolderPathIsRefused() {
    Desk desk;
    desk.window().command(ui::MenuCommand::kHidingWizard);
    desk.dialogs.folders.push_back(std::string(65533, 'a'));
    desk.page<ui::SourcePage>()->addFolderButton()->click();
    QCOMPARE(desk.dialogs.shownIds(), std::vector<MessageId>{MessageId::kFolderNameTooLong});
    QCOMPARE(desk.page<ui::SourcePage>()->tree()->topLevelItem(0)->childCount(), 0);
  }

  void theAddButtonsRestOnceTheTreeIsFull() {
    Desk desk;
    // A sparse file of exactly the largest total: nothing more fits.
    std::string full = desk.sourceFile("full.bin", 0);
    std::filesystem::resize_file(full, kMaxContentSize);
    desk.window().command(ui::MenuCommand::kHidingWizard);
    auto* page = desk.page<ui::SourcePage>();
    desk.dialogs.files.push_back({full});
    page->addFilesButton()->click();
    QVERIFY(!page->addFilesButton()->isEnabled());
    QVERIFY(!page->addFolderButton()->isEnabled());
    page->tree()->topLevelItem(0)->child(0)->setSelected(true);
    QTest::keyClick(page->tree(), Qt::Key_Delete);
    QVERIFY(page->addFilesButton()->isEnabled());
    QVERIFY(page->addFolderButton()->isEnabled());
  }

  void aFileAddedTwiceAsksAndNoStops() {
    Desk desk;
    std::string a = desk.sourceFile("a.txt", 5);
    desk.window().command(ui::MenuCommand::kHidingWizard);
    desk.dialogs.files.push_back({a, a, desk.sourceFile("b.txt", 5)});
    desk.page<ui::SourcePage>()->addFilesButton()->click();
    QCOMPARE(desk.dialogs.askedIds(), std::vector<MessageId>{MessageId::kScanFileAlreadyAdded});
    QCOMPARE(desk.page<ui::SourcePage>()->tree()->topLevelItem(0)->childCount(), 1);
  }
};

class HidingPasswordTest : public QObject {
  Q_OBJECT

 private slots:
  void theRulesDecideNext() {
    Desk desk;
    desk.window().command(ui::MenuCommand::kHidingWizard);
    desk.dialogs.files.push_back({desk.sourceFile("a.txt", 5)});
    desk.page<ui::SourcePage>()->addFilesButton()->click();
    desk.page<ui::SourcePage>()->nextButton()->click();
    auto* page = desk.page<ui::PasswordPage>();
    QVERIFY(page);
    struct Case {
      const char* first;
      const char* second;
      bool next;
    };
    const Case cases[] = {
        {"fifteen letters", "fifteen letters", false},
        {"sixteen letters!", "sixteen letters!", true},
        {"sixteen letters!", "Sixteen letters!", false},
        {"sixteen letters! ", "sixteen letters!", false},
        {"thirty-two letters, and no more!", "thirty-two letters, and no more!", true},
    };
    for (const Case& c : cases) {
      page->firstBox()->setText(QString::fromLatin1(c.first));
      page->secondBox()->setText(QString::fromLatin1(c.second));
      QCOMPARE(page->nextButton()->isEnabled(), c.next);
      if (c.next) QCOMPARE(desk.window().focusWidget(), page->nextButton());
    }
    QCOMPARE(page->firstBox()->echoMode(), QLineEdit::Password);
    page->firstBox()->clear();
    QTest::keyClicks(page->firstBox(), QStringLiteral("thirty-three letters, one too many"));
    QCOMPARE(page->firstBox()->text().size(), 32);
  }

  void mediumEveryTimeThePageOpens() {
    Desk desk;
    std::string file = desk.sourceFile("a.txt", 5);
    for (int run = 0; run < 2; ++run) {
      desk.window().command(ui::MenuCommand::kHidingWizard);
      desk.dialogs.files.push_back({file});
      desk.page<ui::SourcePage>()->addFilesButton()->click();
      desk.page<ui::SourcePage>()->nextButton()->click();
      QComboBox* levels = desk.page<ui::PasswordPage>()->compressionList();
      QCOMPARE(levels->count(), 7);
      QCOMPARE(levels->currentText(), QStringLiteral("Medium"));
      levels->setCurrentIndex(6);
      desk.window().command(ui::MenuCommand::kBackToMainMenu);
      QCOMPARE(desk.window().page(), PageId::kMainMenu);
    }
  }
};

class HidingCarriersTest : public QObject {
  Q_OBJECT

 private slots:
  void carriersAreAddedMovedAndDeleted() {
    Desk desk;
    std::string secret = desk.sourceFile("secret.bin", 6000);
    QVERIFY(desk.reachCarriers({secret}));
    std::vector<std::string> carriers{desk.wavCarrier("a.wav", 20000, 1),
                                      desk.wavCarrier("b.wav", 20000, 2),
                                      desk.wavCarrier("c.wav", 20000, 3)};
    QVERIFY(desk.addCarriers(carriers));
    auto* page = desk.page<ui::CarriersPage>();
    QCOMPARE(rowNames(page),
             (std::vector<QString>{"a.wav #00000", "b.wav #00001", "c.wav #00002"}));
    QCOMPARE(page->carriersCounter()->text(), QStringLiteral("Carriers: 3"));
    QVERIFY(page->pathLine()->text().isEmpty());
    QVERIFY(page->nextButton()->isEnabled());

    selectRows(page, {0});
    QTest::keyClick(page->list(), Qt::Key_Plus);
    QCOMPARE(rowNames(page),
             (std::vector<QString>{"b.wav #00000", "a.wav #00001", "c.wav #00002"}));
    QTest::keyClick(page->list(), Qt::Key_Plus, Qt::KeypadModifier);
    QCOMPARE(rowNames(page),
             (std::vector<QString>{"b.wav #00000", "c.wav #00001", "a.wav #00002"}));
    QTest::keyClick(page->list(), Qt::Key_Plus);  // already last
    QCOMPARE(rowNames(page),
             (std::vector<QString>{"b.wav #00000", "c.wav #00001", "a.wav #00002"}));
    selectRows(page, {1, 2});
    QTest::keyClick(page->list(), Qt::Key_Minus);
    QCOMPARE(rowNames(page),
             (std::vector<QString>{"c.wav #00000", "a.wav #00001", "b.wav #00002"}));
    QVERIFY(page->list()->topLevelItem(0)->isSelected());
    QVERIFY(page->list()->topLevelItem(1)->isSelected());

    QTest::keyClick(page->list(), Qt::Key_Delete);
    QCOMPARE(rowNames(page), (std::vector<QString>{"b.wav #00000"}));
    QCOMPARE(page->carriersCounter()->text(), QStringLiteral("Carriers: 1"));
    auto& session = static_cast<ui::HidingWizard*>(desk.window().wizard())->session();
    QCOMPARE(page->bitsCounter()->text(),
             QStringLiteral("Bits: %1/%2")
                 .arg(QString::fromStdString(formatCount(session.carriers().totalBits())),
                      QString::fromStdString(formatCount(session.streamBits()))));
    QCOMPARE(page->nextButton()->isEnabled(), session.missingBits() == 0);
  }

  void aCarrierPastTheStreamIsNamedAndStopsNext() {
    Desk desk;
    QVERIFY(desk.reachCarriers({desk.sourceFile("secret.bin", 2000)}));
    auto* page = desk.page<ui::CarriersPage>();
    QVERIFY(!page->nextButton()->isEnabled());
    QVERIFY(
        desk.addCarriers({desk.wavCarrier("small.wav", 4000), desk.wavCarrier("big.wav", 60000)}));
    QVERIFY(page->warningLine()->text().isEmpty());
    QVERIFY(page->nextButton()->isEnabled());
    QVERIFY(!page->addButton()->isEnabled());  // enough already
    selectRows(page, {1});
    QTest::keyClick(page->list(), Qt::Key_Minus);
    QCOMPARE(page->warningLine()->text(),
             QStringLiteral("Last carrier is out of stream range: change carriers order"));
    page->nextButton()->click();
    QCOMPARE(desk.dialogs.shownIds(), std::vector<MessageId>{MessageId::kLastCarrierOutOfRange});
    QCOMPARE(desk.window().page(), PageId::kHiding4);
    QVERIFY(desk.dialogs.folderTitles.empty());
  }

  void aDropAddsCarriersAndDuplicatesAreNamed() {
    Desk desk;
    QVERIFY(desk.reachCarriers({desk.sourceFile("secret.bin", 9000)}));
    auto* page = desk.page<ui::CarriersPage>();
    std::string first = desk.wavCarrier("one.wav", 30000, 1);
    dropFiles(page->list()->viewport(), {first, desk.dir.file("src/secret.bin")});
    QVERIFY(desk.waitForPage(PageId::kHiding4));
    QCOMPARE(page->list()->topLevelItemCount(), 1);  // not a carrier: skipped without a word
    QVERIFY(desk.dialogs.shown.empty());
    QVERIFY(desk.addCarriers({first}));
    QCOMPARE(desk.dialogs.shownIds(), std::vector<MessageId>{MessageId::kCarrierAlreadyAdded});
    QCOMPARE(desk.dialogs.filterLists.back().size(), 15u);
  }
};

}  // namespace

MURL_UI_SUITE(HidingSourcesTest);
MURL_UI_SUITE(HidingPasswordTest);
MURL_UI_SUITE(HidingCarriersTest);

}  // namespace murl::test

#include "hiding_wizard_test.moc"
