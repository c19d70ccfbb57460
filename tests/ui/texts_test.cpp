// Every text a page shows comes from the tables, in the window's language; the carrier dialog's
// type list is the program's documented one.
#include "ui/texts.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QToolButton>
#include <QTreeWidget>

#include "carriers/registry.h"
#include "core/options.h"
#include "ui/carriers_page.h"
#include "ui/checking_panel.h"
#include "ui/drop_tree.h"
#include "ui/extraction_page.h"
#include "ui/filters.h"
#include "ui/help_window.h"
#include "ui/password_page.h"
#include "ui/source_page.h"
#include "ui_fixture.h"

namespace murl::test {
namespace {

using ui::PageId;

// Each table text as a pattern: "%s" and "%u" stand for a number, as the pages fill them in.
std::vector<QRegularExpression> tablePatterns(Language language) {
  std::vector<QString> texts;
  for (int i = 0; i < int(ui::UiText::kCount); ++i)
    texts.push_back(ui::text(ui::UiText(i), language));
  for (int i = 0; i < int(PageId::kCount); ++i)
    texts.push_back(QString::fromUtf8(ui::pageTitle(PageId(i), language)));
  for (uint8_t level = 0; level <= kMaxLevel; ++level)
    texts.push_back(QString::fromUtf8(levelName(level, language)));
  for (int i = 0; i < int(MessageId::kCount); ++i)
    texts.push_back(QString::fromUtf8(messageText(MessageId(i), language)));
  // The formats' own texts in the Options Panel.
  for (const LevelFacts* level : levelsByReportName())
    texts.push_back(QString::fromUtf8(level->reportName));
  for (const OptionFacts* option : formatOptions()) {
    texts.push_back(QString::fromUtf8(pick(option->title, language)));
    for (const TextPair& label : option->labels)
      texts.push_back(QString::fromUtf8(pick(label, language)));
  }
  std::vector<QRegularExpression> patterns;
  for (const QString& text : texts) {
    // Every character but letters, digits and "_" comes out escaped, "%" included.
    QString pattern = QRegularExpression::escape(text);
    pattern.replace(QLatin1String("\\%s"), QLatin1String("[0-9.,' ]+"));
    pattern.replace(QLatin1String("\\%u"), QLatin1String("[0-9]+"));
    patterns.emplace_back(QLatin1Char('^') + pattern + QLatin1Char('$'));
  }
  return patterns;
}

// The texts of a page a person reads: labels, buttons, list entries, headers and the root item.
// File names, paths and the report's own lines are data, not texts of the program.
std::vector<QString> visibleTexts(QWidget* page) {
  std::vector<QString> texts;
  for (QLabel* label : page->findChildren<QLabel*>())
    if (!label->text().isEmpty() && label->pixmap().isNull()) texts.push_back(label->text());
  for (QAbstractButton* button : page->findChildren<QAbstractButton*>())
    if (!button->text().isEmpty()) texts.push_back(button->text());
  for (QComboBox* list : page->findChildren<QComboBox*>())
    for (int i = 0; i < list->count(); ++i) texts.push_back(list->itemText(i));
  for (QTreeWidget* tree : page->findChildren<QTreeWidget*>()) {
    if (!tree->header()->isHidden())
      for (int i = 0; i < tree->columnCount(); ++i) texts.push_back(tree->headerItem()->text(i));
    if (tree->objectName() == QLatin1String("sourceTree") && tree->topLevelItemCount() > 0)
      texts.push_back(tree->topLevelItem(0)->text(0));
    if (tree->objectName() == QLatin1String("optionsTree"))
      for (QTreeWidgetItemIterator it(tree); *it; ++it) texts.push_back((*it)->text(0));
    // Hidden files' names and attribute letters are data; the parent row, "D" and sizes are not.
    static const QRegularExpression letters(QStringLiteral("^[HSRTA]*$"));
    for (int i = 0;
         tree->objectName() == QLatin1String("extractionList") && i < tree->topLevelItemCount();
         ++i) {
      QTreeWidgetItem* row = tree->topLevelItem(i);
      if (row->text(0) == QLatin1String("..")) texts.push_back(row->text(0));
      if (!letters.match(row->text(1)).hasMatch()) texts.push_back(row->text(1));
      if (!row->text(2).isEmpty()) texts.push_back(row->text(2));
    }
  }
  return texts;
}

class TextsTest : public QObject {
  Q_OBJECT

 private:
  // Walks the window and its current page; returns how many texts were compared.
  int compare(Desk& desk, Language language) {
    static const std::vector<QRegularExpression> english = tablePatterns(Language::kEnglish);
    static const std::vector<QRegularExpression> italian = tablePatterns(Language::kItalian);
    const auto& patterns = language == Language::kItalian ? italian : english;
    std::vector<QString> texts = visibleTexts(desk.window().currentPage());
    texts.push_back(desk.window().windowTitle());
    texts.push_back(desk.window().statusLabel()->text());
    for (int i = 0; i < ui::kMenuButtonCount; ++i)
      texts.push_back(desk.window().menuButton(i)->toolTip());
    for (const QString& text : texts) {
      bool found = std::any_of(patterns.begin(), patterns.end(), [&](const QRegularExpression& p) {
        return p.match(text).hasMatch();
      });
      if (!found) qWarning("not from the tables: %s", qPrintable(text));
      if (!found) return -1;
    }
    return int(texts.size());
  }

  // Drives a whole hiding run, comparing every page on the way, the pages that only show while
  // a job runs included.
  void walkHidingRun(Language language) {
    Desk desk(language);
    std::vector<PageId> seen;
    auto check = [&] {
      QVERIFY2(compare(desk, language) > 0, "a page shows a text of its own");
      seen.push_back(desk.window().page());
    };
    QObject::connect(&desk.window().jobs(), &ui::JobRunner::runningChanged, [&](bool running) {
      if (running && desk.window().page() != PageId::kHiding4) check();
    });
    check();
    std::string secret = desk.sourceFile("secret.bin", 3000);
    std::string small = desk.wavCarrier("small.wav", 4000, 1);
    std::string big = desk.wavCarrier("big.wav", 60000, 2);
    QVERIFY(desk.reachCarriers({secret}));
    QVERIFY(desk.addCarriers({small, big}));
    // With the big carrier first the warning line shows.
    auto* carriers = desk.page<ui::CarriersPage>();
    carriers->list()->topLevelItem(1)->setSelected(true);
    carriers->key(Qt::Key_Minus);
    QVERIFY(!carriers->warningLine()->text().isEmpty());
    check();
    carriers->key(Qt::Key_Plus);
    desk.dialogs.folders.push_back(desk.dir.file("out"));
    carriers->nextButton()->click();
    QVERIFY(desk.waitForPage(PageId::kHidingReport));
    check();
    std::vector<PageId> expected{PageId::kMainMenu, PageId::kHiding3, PageId::kHiding4,
                                 PageId::kHiding5, PageId::kHidingReport};
    QCOMPARE(seen, expected);
  }

  // Unhides a tree written by the Hiding Wizard, marks a carrier, checks it and opens the
  // Options Panel, comparing every page on the way.
  void walkTheOtherWizards(Language language) {
    Desk desk(language);
    desk.sourceFile("docs/a.txt", 1200, 1);
    std::string carrier = desk.wavCarrier("song.wav", 60000);
    QVERIFY(desk.hide({desk.dir.file("src/docs")}, {carrier}, desk.dir.file("out"),
                      QStringLiteral("sixteen letters!")));
    std::vector<PageId> seen;
    auto check = [&] {
      QVERIFY2(compare(desk, language) > 0, "a page shows a text of its own");
      if (seen.empty() || seen.back() != desk.window().page()) seen.push_back(desk.window().page());
    };
    QObject::connect(&desk.window().jobs(), &ui::JobRunner::runningChanged, [&](bool running) {
      if (running) check();
    });
    desk.window().command(ui::MenuCommand::kUnhidingWizard);
    check();
    QVERIFY(desk.addCarriers({desk.dir.file("out/song.wav")}));
    desk.page<ui::CarriersPage>()->nextButton()->click();
    auto* password = desk.page<ui::PasswordPage>();
    QVERIFY(password);
    check();
    password->firstBox()->setText(QStringLiteral("sixteen letters!"));
    password->secondBox()->setText(QStringLiteral("sixteen letters!"));
    password->nextButton()->click();
    QVERIFY(desk.waitForPage(PageId::kUnhidingExtraction));
    auto* extraction = desk.page<ui::ExtractionPage>();
    QVERIFY(extraction);
    check();
    extraction->open(*extraction->folder().subfolders.front());
    check();

    desk.window().command(ui::MenuCommand::kAuthoringWizard);
    check();
    QVERIFY(desk.addCarriers({carrier}));
    desk.page<ui::CarriersPage>()->nextButton()->click();
    auto* mark = desk.page<ui::MarkPage>();
    QVERIFY(mark);
    check();
    mark->firstBox()->setText(QStringLiteral("(c) texts"));
    mark->secondBox()->setText(QStringLiteral("(c) texts"));
    desk.dialogs.folders.push_back(desk.dir.file("marked"));
    std::filesystem::create_directory(desk.dir.file("marked"));
    mark->nextButton()->click();
    QVERIFY(desk.waitForPage(PageId::kAuthoringReport));
    check();

    desk.window().command(ui::MenuCommand::kCheckingWizard);
    dropFiles(desk.page<ui::CheckingPanel>()->report()->viewport(),
              {desk.dir.file("marked/song.wav")});
    QVERIFY(desk.waitForPage(PageId::kChecking));
    check();
    desk.window().command(ui::MenuCommand::kOptionsPanel);
    check();
    std::vector<PageId> expected{
        PageId::kUnhiding1,  PageId::kUnhiding2,  PageId::kUnhiding3,  PageId::kUnhidingExtraction,
        PageId::kAuthoring1, PageId::kAuthoring2, PageId::kAuthoring3, PageId::kAuthoringReport,
        PageId::kChecking,   PageId::kOptions};
    for (PageId page : expected)
      QVERIFY2(std::find(seen.begin(), seen.end(), page) != seen.end(), ui::helpTopic(page));
  }

 private slots:
  void everyOtherPageInEnglish() { walkTheOtherWizards(Language::kEnglish); }
  void everyOtherPageInItalian() { walkTheOtherWizards(Language::kItalian); }

  void everyPageHasItsHelpTopicInBothLanguages() {
    ui::Artwork artwork;  // registers the program's resources
    QVERIFY(artwork.load());
    for (const char* language : {"en", "it"}) {
      QFile file(QStringLiteral(":/murl/help/%1.html").arg(QLatin1String(language)));
      QVERIFY(file.open(QIODevice::ReadOnly));
      QByteArray help = file.readAll();
      for (int i = 0; i < int(PageId::kCount); ++i) {
        QByteArray anchor = QByteArray("name=\"") + ui::helpTopic(PageId(i)) + '"';
        QVERIFY2(help.contains(anchor), anchor.constData());
      }
    }
  }

  void everyHidingPageInEnglish() { walkHidingRun(Language::kEnglish); }
  void everyHidingPageInItalian() { walkHidingRun(Language::kItalian); }

  void theFirstPagesInBothLanguages() {
    for (Language language : {Language::kEnglish, Language::kItalian}) {
      Desk desk(language);
      desk.window().command(ui::MenuCommand::kHidingWizard);
      QVERIFY(compare(desk, language) > 0);
      desk.dialogs.files.push_back({desk.sourceFile("a.txt", 10)});
      desk.page<ui::SourcePage>()->addFilesButton()->click();
      QVERIFY(compare(desk, language) > 0);
      desk.page<ui::SourcePage>()->nextButton()->click();
      QCOMPARE(desk.window().page(), PageId::kHiding2);
      QVERIFY(compare(desk, language) > 0);
    }
  }

  void italianTextsAreNotEnglish() {
    Desk desk(Language::kItalian);
    QCOMPARE(desk.window().windowTitle(), QStringLiteral("Murl v1.01 - Steganografia & Authoring"));
    QCOMPARE(desk.window().menuButton(1)->toolTip(), QStringLiteral("Nascondere Dati"));
    QCOMPARE(desk.window().statusLabel()->text(),
             QStringLiteral("Leggete lo Help (F1): consigli, context help & note legali!"));
  }

  void carrierFiltersInTheirOrder() {
    struct Row {
      const char* english;
      const char* italian;
      const char* patterns;
    };
    const Row rows[] = {
        {"All Supported Images/Audios", "Immagini+File Audio Supportati",
         "*.aif;*.aiff;*.snd;*.bmp;*.dib;*.jpg;*.jpe;*.jpeg;*.jfif;*.mp3;*.au;*.pcx;*.png;*.tga;"
         "*.vda;*.icb;*.vst;*.wav;*.wave"},
        {"All Supported Images", "Immagini Supportate",
         "*.bmp;*.dib;*.jpg;*.jpe;*.jpeg;*.jfif;*.pcx;*.png;*.tga;*.vda;*.icb;*.vst"},
        {"All Supported Audios", "File Audio Supportati",
         "*.aif;*.aiff;*.snd;*.mp3;*.au;*.wav;*.wave"},
        {"AIFF Audio (aif,aiff,snd)", "File Audio AIFF (aif,aiff,snd)", "*.aif;*.aiff;*.snd"},
        {"BMP Image (bmp,dib)", "Immagine BMP (bmp,dib)", "*.bmp;*.dib"},
        {"JPG Image (jpg,jpe,jpeg,jfif)", "Immagine JPG (jpg,jpe,jpeg,jfif)",
         "*.jpg;*.jpe;*.jpeg;*.jfif"},
        {"MP3 Audio (mp3)", "File Audio MP3 (mp3)", "*.mp3"},
        {"Next/Sun Audio (au,snd)", "File Audio Next/Sun (au,snd)", "*.au;*.snd"},
        {"PCX Image (pcx)", "Immagine PCX (pcx)", "*.pcx"},
        {"PNG Image (png)", "Immagine PNG (png)", "*.png"},
        {"TGA Image (tga,vda,icb,vst)", "Immagine TGA (tga,vda,icb,vst)",
         "*.tga;*.vda;*.icb;*.vst"},
        {"WAV Audio (wav,wave)", "File Audio WAV (wav,wave)", "*.wav;*.wave"},
        {"Win PE Module (A-H)", "Modulo Win PE (A-H)", nullptr},
        {"Win PE Module (I-Z)", "Modulo Win PE (I-Z)", nullptr},
        {"All Files (*.*)", "Tutti i File (*.*)", "*.*"},
    };
    for (Language language : {Language::kEnglish, Language::kItalian}) {
      std::vector<ui::FileFilter> all =
          ui::carrierFilters(language, ui::CarrierChoice::kWithModules);
      QCOMPARE(all.size(), std::size(rows));
      for (size_t i = 0; i < all.size(); ++i) {
        QCOMPARE(all[i].name, QString::fromUtf8(language == Language::kItalian ? rows[i].italian
                                                                               : rows[i].english));
        if (rows[i].patterns) QCOMPARE(all[i].patterns, QString::fromLatin1(rows[i].patterns));
      }
      QVERIFY(all[12].patterns.startsWith(QLatin1String("*.8b*;*.98;*.386;")));
      QVERIFY(all[13].patterns.endsWith(QLatin1String(";*.xfm;*.xh*;*.xpg")));
      std::vector<ui::FileFilter> marks =
          ui::carrierFilters(language, ui::CarrierChoice::kWithoutModules);
      // Marking and checking offer every entry but the modules, the JPEG one under its own name.
      QCOMPARE(marks.size(), all.size() - 2);
      for (size_t i = 0; i < marks.size(); ++i) {
        size_t same = i < 12 ? i : i + 2;
        QCOMPARE(marks[i].patterns, all[same].patterns);
        if (i != 5) QCOMPARE(marks[i].name, all[same].name);
      }
      QCOMPARE(marks[5].name, language == Language::kItalian
                                  ? QStringLiteral("Immagine JPG (jpg,jpe,jpeg,jfif)")
                                  : QStringLiteral("JEG Image (jpg,jpe,jpeg,jfif)"));
    }
  }

  void qtFiltersKeepTheNamesAndIgnoreCase() {
    QString list =
        ui::qtFilterList({{QStringLiteral("BMP Image (bmp,dib)"), QStringLiteral("*.bmp;*.dib")},
                          {QStringLiteral("All Files"), QStringLiteral("*.*")}});
    QCOMPARE(list,
             QStringLiteral("BMP Image (bmp,dib) (*.[bB][mM][pP] *.[dD][iI][bB]);;All Files (*)"));
  }
};

}  // namespace

MURL_UI_SUITE(TextsTest);

}  // namespace murl::test

#include "texts_test.moc"
