// The Unhiding Wizard driven as a user drives it: carriers written by the Hiding Wizard, the
// hidden tree browsed and extracted, and the refusals of carriers that do not decode.
#include "ui/unhiding_wizard.h"

#include <sys/stat.h>

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>
#include <filesystem>

#include "core/number_display.h"
#include "ui/carriers_page.h"
#include "ui/drop_tree.h"
#include "ui/extraction_page.h"
#include "ui/progress_page.h"
#include "ui_fixture.h"

namespace murl::test {
namespace {

using ui::PageId;

const QString kPassword = QStringLiteral("a password of the unhiding test");

// "name|attr|size" for each row the page shows.
std::vector<QString> rows(ui::ExtractionPage* page) {
  std::vector<QString> texts;
  for (int i = 0; i < page->list()->topLevelItemCount(); ++i) {
    QTreeWidgetItem* row = page->list()->topLevelItem(i);
    texts.push_back(row->text(0) + QLatin1Char('|') + row->text(1) + QLatin1Char('|') +
                    row->text(2));
  }
  return texts;
}

QString bytes(uint32_t size) {
  return QString::fromStdString(formatCount(size)) + QStringLiteral(" bytes");
}

QTreeWidgetItem* rowNamed(ui::ExtractionPage* page, const QString& name) {
  QList<QTreeWidgetItem*> found = page->list()->findItems(name, Qt::MatchExactly);
  return found.isEmpty() ? nullptr : found.front();
}

class UnhidingWizardTest : public QObject {
  Q_OBJECT

 private:
  // src/ holds docs/a.txt, docs/img/b.bin, top.txt and .notes (hidden by its name, read-only);
  // all of it is hidden into photo.bmp, too small to hold it alone, and song.wav, written to out/.
  bool hideTree(Desk& desk) {
    desk.sourceFile("docs/a.txt", 1500, 1);
    desk.sourceFile("docs/img/b.bin", 2500, 2);
    std::string notes = desk.sourceFile(".notes", 700, 3);
    chmod(notes.c_str(), 0444);
    std::vector<std::string> sources{desk.dir.file("src/docs"), desk.sourceFile("top.txt", 900, 4),
                                     notes};
    std::vector<std::string> carriers{desk.bmpCarrier("photo.bmp", 60, 40),
                                      desk.wavCarrier("song.wav", 200000)};
    targets = {desk.dir.file("out/photo.bmp"), desk.dir.file("out/song.wav")};
    return desk.hide(sources, carriers, desk.dir.file("out"), kPassword) &&
           folderNames(desk.dir.file("out")).size() == 2;
  }

  std::vector<std::string> targets;

 private slots:
  void restoresTheTreeBrowsedAndExtractedAsTheUserChooses() {
    Desk desk;
    QVERIFY(hideTree(desk));
    std::vector<QString> captions;
    int furthest = 0;  // the bar as the page last set it
    auto noteCaption = [&] {
      auto* page = desk.page<ui::ProgressPage>();
      if (!page || desk.window().page() != PageId::kUnhiding3) return;
      furthest = std::max(furthest, page->bar()->value());
      if (captions.empty() || captions.back() != page->caption()->text())
        captions.push_back(page->caption()->text());
    };
    QObject::connect(&desk.window().jobs(), &ui::JobRunner::progressChanged, noteCaption);
    QObject::connect(&desk.window().jobs(), &ui::JobRunner::statusChanged, noteCaption);
    QVERIFY(desk.unhide(targets, kPassword));
    QCOMPARE(captions, (std::vector<QString>{QStringLiteral("Scanning"),
                                             QStringLiteral("Decrypting -> Decompressing")}));
    QVERIFY(furthest > 0);
    QCOMPARE(desk.window().page(), PageId::kUnhidingExtraction);
    auto* page = desk.page<ui::ExtractionPage>();
    const std::vector<QString> root{QStringLiteral("docs|D|"), ".notes|HR|" + bytes(700),
                                    "top.txt||" + bytes(900)};
    QCOMPARE(rows(page), root);
    QVERIFY(!page->extractSelectedButton()->isEnabled());

    // A double click on a row, as a user opens a folder.
    QCoreApplication::processEvents();
    const QPoint docs =
        page->list()->visualItemRect(rowNamed(page, QStringLiteral("docs"))).center();
    QTest::mouseClick(page->list()->viewport(), Qt::LeftButton, {}, docs);
    QTest::mouseDClick(page->list()->viewport(), Qt::LeftButton, {}, docs);
    QCOMPARE(rows(page), (std::vector<QString>{QStringLiteral("..||"), QStringLiteral("img|D|"),
                                               "a.txt||" + bytes(1500)}));
    // The ".." row is no item: selected with img, only img comes out.
    page->list()->selectAll();
    rowNamed(page, QStringLiteral("a.txt"))->setSelected(false);
    desk.dialogs.folders.push_back(desk.dir.file("back1"));
    std::filesystem::create_directory(desk.dir.file("back1"));
    page->extractSelectedButton()->click();
    QVERIFY(desk.waitForPage(PageId::kUnhidingExtraction));
    QCOMPARE(folderNames(desk.dir.file("back1")), std::vector<std::string>{"img"});
    QVERIFY(readAll(desk.dir.file("back1/img/b.bin")) ==
            readAll(desk.dir.file("src/docs/img/b.bin")));
    QCOMPARE(desk.dialogs.shownIds(), std::vector<MessageId>{MessageId::kExtractionCompleted});
    QCOMPARE(desk.dialogs.shownIcons.back(), ui::BoxIcon::kInformation);

    page->list()->setCurrentItem(rowNamed(page, QStringLiteral("..")));
    QTest::keyClick(page->list(), Qt::Key_Return);
    QCOMPARE(rows(page), root);

    std::filesystem::create_directory(desk.dir.file("back2"));
    desk.dialogs.folders.push_back(desk.dir.file("back2"));
    page->extractAllButton()->click();
    QVERIFY(desk.waitForPage(PageId::kUnhidingExtraction));
    for (const char* name : {"docs/a.txt", "docs/img/b.bin", "top.txt", ".notes"})
      QVERIFY2(readAll(desk.dir.file(std::string("back2/") + name)) ==
                   readAll(desk.dir.file(std::string("src/") + name)),
               name);
    QCOMPARE(desk.dialogs.shown.size(), 2u);

    QVERIFY(!desk.tempFiles().empty());  // the decoded stream, while the page shows
    desk.window().command(ui::MenuCommand::kBackToMainMenu);
    QVERIFY(desk.tempFiles().empty());
  }

  void invalidDataReturnsToTheMenuAndQuittingWipesTheStream() {
    Desk desk;
    QVERIFY(hideTree(desk));
    struct Case {
      const char* what;
      std::vector<std::string> carriers;
      QString password;
      const char* diagnosis;  // the verdict's first line
      std::string last;
    } cases[] = {
        {"carriers exchanged",
         {targets[1], targets[0]},
         kPassword,
         "Complete, but out of order.",
         "  " + targets[1]},
        {"another password", targets, QStringLiteral("another password, just as long"),
         "Complete and in order", "The password differs from the one they were hidden with."},
    };
    for (const Case& c : cases) {
      desk.dialogs.shown.clear();
      QVERIFY2(desk.unhide(c.carriers, c.password), c.what);
      QVERIFY2(desk.window().page() == PageId::kMainMenu, c.what);
      QVERIFY2(desk.dialogs.shownIds() == std::vector<MessageId>{MessageId::kInvalidData}, c.what);
      QVERIFY2(desk.dialogs.shownIcons[0] == ui::BoxIcon::kExclamation, c.what);
      QVERIFY2(desk.tempFiles().empty(), c.what);
      // Under the message, the whole diagnosis a line at a time, its first and last as shown.
      const std::string& shown = desk.dialogs.shown[0].text;
      QVERIFY2(
          shown.find(std::string("Invalid data: extracting aborted!\r\n\r\n") + c.diagnosis) == 0,
          shown.c_str());
      QVERIFY2(shown.ends_with(std::string("\r\n") + c.last), shown.c_str());
    }
    // Quitting on the extraction page wipes the decoded stream with everything else.
    QVERIFY(desk.unhide(targets, kPassword));
    QCOMPARE(desk.window().page(), PageId::kUnhidingExtraction);
    QVERIFY(!desk.tempFiles().empty());
    desk.dialogs.answers = {true};
    desk.window().close();
    QCOMPARE(desk.dialogs.askedIds(), std::vector<MessageId>{MessageId::kQuitAreYouSure});
    QVERIFY(desk.tempFiles().empty());
  }
};

}  // namespace

MURL_UI_SUITE(UnhidingWizardTest);

}  // namespace murl::test

#include "unhiding_wizard_test.moc"
