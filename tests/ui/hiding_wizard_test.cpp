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
#include "support/random_bytes.h"
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

// Each row as its name's first letter and the last digit of its order column, "*" when selected.
std::vector<QString> rows(ui::CarriersPage* page) {
  std::vector<QString> texts;
  for (int i = 0; i < page->list()->topLevelItemCount(); ++i) {
    QTreeWidgetItem* row = page->list()->topLevelItem(i);
    texts.push_back(row->text(0).left(1) + row->text(2).right(1) + (row->isSelected() ? "*" : ""));
  }
  return texts;
}

void selectRows(ui::CarriersPage* page, const std::vector<int>& rows) {
  page->list()->clearSelection();
  for (int row : rows) page->list()->topLevelItem(row)->setSelected(true);
}

class HidingSourcesTest : public QObject {
  Q_OBJECT

 private slots:
  // Next waits for a file; a folder path too long, a file added twice and anything past the
  // largest total are refused.
  void nextWaitsForAFileAndRefusalsKeepTheTree() {
    Desk desk;
    std::string a = desk.sourceFile("a.bin", 1500);
    // A sparse file of exactly the largest total: nothing more fits.
    std::string full = desk.sourceFile("full.bin", 0);
    std::filesystem::resize_file(full, kMaxContentSize);
    desk.window().command(ui::MenuCommand::kHidingWizard);
    auto* page = desk.page<ui::SourcePage>();
    QVERIFY(page);
    QVERIFY(!page->nextButton()->isEnabled());
    page->addFilesButton()->click();  // cancelled
    QVERIFY(!page->nextButton()->isEnabled());
    QCOMPARE(desk.dialogs.filterLists.back().size(), 1u);
    desk.dialogs.folders.push_back(std::string(65533, 'a'));
    page->addFolderButton()->click();
    QCOMPARE(desk.dialogs.shownIds(), std::vector<MessageId>{MessageId::kFolderNameTooLong});
    QCOMPARE(page->tree()->topLevelItem(0)->childCount(), 0);

    desk.dialogs.files.push_back({a, a, desk.sourceFile("b.bin", 20)});
    page->addFilesButton()->click();
    QCOMPARE(desk.dialogs.askedIds(), std::vector<MessageId>{MessageId::kScanFileAlreadyAdded});
    QVERIFY(page->nextButton()->isEnabled());
    QCOMPARE(page->tree()->topLevelItem(0)->text(0), QStringLiteral("Root\\"));
    QCOMPARE(page->tree()->topLevelItem(0)->childCount(), 1);
    QCOMPARE(page->findChildren<QLabel*>()[0]->text(), counted("Files num: %1", 1));
    QCOMPARE(page->findChildren<QLabel*>()[1]->text(), counted("Size: %1 bytes", 1500));

    page->tree()->topLevelItem(0)->child(0)->setSelected(true);
    QTest::keyClick(page->tree(), Qt::Key_Delete);
    desk.dialogs.files.push_back({full});
    page->addFilesButton()->click();
    QVERIFY(!page->addFilesButton()->isEnabled());
    QVERIFY(!page->addFolderButton()->isEnabled());
    page->tree()->topLevelItem(0)->child(0)->setSelected(true);
    QTest::keyClick(page->tree(), Qt::Key_Delete);
    QVERIFY(page->addFilesButton()->isEnabled());
    QVERIFY(page->addFolderButton()->isEnabled());
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

    // The file listed after the folder goes first, then the folder with all below it.
    root->child(1)->setSelected(true);
    QTest::keyClick(page->tree(), Qt::Key_Delete);
    root = page->tree()->topLevelItem(0);
    QCOMPARE(root->childCount(), 1);
    QCOMPARE(root->child(0)->text(0), QStringLiteral("docs"));
    QCOMPARE(page->findChildren<QLabel*>()[0]->text(), counted("Files num: %1", 2));
    QCOMPARE(page->findChildren<QLabel*>()[1]->text(), counted("Size: %1 bytes", 30));
    root->child(0)->setSelected(true);
    QTest::keyClick(page->tree(), Qt::Key_Delete);
    QVERIFY(!page->nextButton()->isEnabled());
  }
};

class HidingPasswordTest : public QObject {
  Q_OBJECT

 private slots:
  // The level opens at Medium each time, whatever was chosen before, and the chosen one packs
  // the stream.
  void theChosenCompressionLevelSizesTheStream() {
    Desk desk;
    std::string words;
    for (uint8_t byte : randomBytes(6000, 3))
      words += std::string(" alpha beta gamma delta ", byte % 6 + 1, 5);
    std::string text = desk.sourceFile("words.txt", 0);
    writeAll(text, {words.begin(), words.end()});
    std::vector<uint32_t> streamBits;
    for (int level : {0, 6}) {
      ui::PasswordPage* page = desk.reachPassword({text});
      QVERIFY(page);
      QCOMPARE(page->compressionList()->currentText(), QStringLiteral("Medium"));
      page->compressionList()->setCurrentIndex(level);
      QVERIFY(desk.typeTwice() && desk.waitForPage(PageId::kHiding4));
      streamBits.push_back(
          static_cast<ui::HidingWizard*>(desk.window().wizard())->session().streamBits());
      desk.window().command(ui::MenuCommand::kBackToMainMenu);
    }
    QVERIFY2(streamBits[1] < streamBits[0], "the highest level packs the words tighter");
  }

  void theRulesDecideNext() {
    Desk desk;
    ui::PasswordPage* page = desk.reachPassword({desk.sourceFile("a.txt", 5)});
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
    QCOMPARE(rows(page), (std::vector<QString>{"a0", "b1", "c2"}));
    QCOMPARE(page->carriersCounter()->text(), QStringLiteral("Carriers: 3"));
    QVERIFY(page->pathLine()->text().isEmpty());
    QVERIFY(page->nextButton()->isEnabled());
    // "+" moves the selected rows (marked *) down, "-" up, Delete takes them out.
    const struct {
      std::vector<int> select;  // empty: the selection as it is
      Qt::Key key;
      Qt::KeyboardModifiers modifiers;
      std::vector<QString> order;
    } steps[] = {
        {{0}, Qt::Key_Plus, {}, {"b0", "a1*", "c2"}},
        {{}, Qt::Key_Plus, Qt::KeypadModifier, {"b0", "c1", "a2*"}},
        {{}, Qt::Key_Plus, {}, {"b0", "c1", "a2*"}},  // already last
        {{1, 2}, Qt::Key_Minus, {}, {"c0*", "a1*", "b2"}},
        {{}, Qt::Key_Delete, {}, {"b0"}},
    };
    for (const auto& step : steps) {
      if (!step.select.empty()) selectRows(page, step.select);
      QTest::keyClick(page->list(), step.key, step.modifiers);
      QCOMPARE(rows(page), step.order);
    }
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
    desk.dialogs.answers = {true};  // a folder question, were one asked, leaves at once
    page->nextButton()->click();
    QCOMPARE(desk.dialogs.shownIds(), std::vector<MessageId>{MessageId::kLastCarrierOutOfRange});
    QCOMPARE(desk.window().page(), PageId::kHiding4);
    QVERIFY(desk.dialogs.asked.empty());
  }
};

}  // namespace

MURL_UI_SUITE(HidingSourcesTest);
MURL_UI_SUITE(HidingPasswordTest);
MURL_UI_SUITE(HidingCarriersTest);

}  // namespace murl::test

#include "hiding_wizard_test.moc"
