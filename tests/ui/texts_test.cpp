// Every text a page shows comes from the tables, in the window's language; the carrier dialog's
// type list is the program's documented one.
#include "ui/texts.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QToolButton>
#include <QTreeWidget>

#include "core/options.h"
#include "ui/carriers_page.h"
#include "ui/drop_tree.h"
#include "ui/filters.h"
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

 private slots:
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
      std::vector<ui::FileFilter> all = carrierFilters(language, ui::CarrierChoice::kWithModules);
      QCOMPARE(all.size(), std::size(rows));
      for (size_t i = 0; i < all.size(); ++i) {
        QCOMPARE(all[i].name, QString::fromUtf8(language == Language::kItalian ? rows[i].italian
                                                                               : rows[i].english));
        if (rows[i].patterns) QCOMPARE(all[i].patterns, QString::fromLatin1(rows[i].patterns));
      }
      QVERIFY(all[12].patterns.startsWith(QLatin1String("*.8b*;*.98;*.386;")));
      QVERIFY(all[13].patterns.endsWith(QLatin1String(";*.xfm;*.xh*;*.xpg")));
      std::vector<ui::FileFilter> marks =
          carrierFilters(language, ui::CarrierChoice::kWithoutModules);
      QCOMPARE(marks.size(), all.size() - 2);
      QCOMPARE(marks.back().name, all.back().name);
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
