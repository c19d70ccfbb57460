// Every text a page shows comes from the tables, in the window's language; the carrier dialogs
// join and order the formats' entries.
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
#include <QSet>
#include <QToolButton>
#include <QTreeWidget>
#include <filesystem>
#include <set>

#include "carriers/registry.h"
#include "core/options.h"
#include "ui/carriers_page.h"
#include "ui/checking_panel.h"
#include "ui/drop_tree.h"
#include "ui/extraction_page.h"
#include "ui/filters.h"
#include "ui/help_window.h"
#include "ui/password_page.h"
#include "ui/progress_page.h"
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
  // True when every text the window and its current page show matches a table text.
  static bool fromTables(Desk& desk, Language language) {
    static const std::vector<QRegularExpression> english = tablePatterns(Language::kEnglish);
    static const std::vector<QRegularExpression> italian = tablePatterns(Language::kItalian);
    const auto& patterns = language == Language::kItalian ? italian : english;
    std::vector<QString> texts = visibleTexts(desk.window().currentPage());
    texts.push_back(desk.window().windowTitle());
    texts.push_back(desk.window().statusLabel()->text());
    for (int i = 0; i < ui::kMenuButtonCount; ++i)
      texts.push_back(desk.window().menuButton(i)->toolTip());
    for (const QString& text : texts) {
      if (std::none_of(patterns.begin(), patterns.end(),
                       [&](const QRegularExpression& p) { return p.match(text).hasMatch(); })) {
        qWarning("not from the tables: %s", qPrintable(text));
        return false;
      }
    }
    return true;
  }

  // One run through every page: each is compared as it opens, progress pages also while their
  // job runs, and the pages whose texts change once more in their later state.
  void walkEveryPage(Language language) {
    Desk desk(language);
    QFile file(language == Language::kItalian ? QStringLiteral(":/murl/help/it.html")
                                              : QStringLiteral(":/murl/help/en.html"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray help = file.readAll();
    std::set<PageId> seen;
    // Each page's texts, and its topic in the help of its language.
    auto check = [&] {
      const char* topic = ui::helpTopic(desk.window().page());
      QVERIFY2(fromTables(desk, language), topic);
      QVERIFY2(help.contains(QByteArray("name=\"") + topic + '"'), topic);
      seen.insert(desk.window().page());
    };
    QObject::connect(&desk.window(), &QWidget::windowTitleChanged, check);
    QObject::connect(&desk.window().jobs(), &ui::JobRunner::runningChanged, [&](bool running) {
      if (running && desk.page<ui::ProgressPage>()) check();
    });
    check();
    desk.sourceFile("docs/a.txt", 1200, 1);
    std::string small = desk.wavCarrier("small.wav", 4000, 1);
    std::string big = desk.wavCarrier("big.wav", 60000, 2);
    QVERIFY(desk.reachCarriers({desk.dir.file("src/docs")}));
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

    QVERIFY(desk.unhide({desk.dir.file("out/small.wav"), desk.dir.file("out/big.wav")},
                        QStringLiteral("sixteen letters!")));
    auto* extraction = desk.page<ui::ExtractionPage>();
    QVERIFY(extraction);
    check();
    extraction->open(*extraction->folder().subfolders.front());
    check();

    std::filesystem::create_directory(desk.dir.file("marked"));
    desk.dialogs.folders.push_back(desk.dir.file("marked"));
    QVERIFY(desk.reachMark({big}) && desk.typeTwice(QStringLiteral("(c) texts")));
    QVERIFY(desk.waitForPage(PageId::kAuthoringReport));

    desk.window().command(ui::MenuCommand::kCheckingWizard);
    dropFiles(desk.page<ui::CheckingPanel>()->report()->viewport(),
              {desk.dir.file("marked/big.wav")});
    QVERIFY(desk.waitForPage(PageId::kChecking));
    check();
    desk.window().command(ui::MenuCommand::kOptionsPanel);
    QCOMPARE(seen.size(), size_t(PageId::kCount));
  }

 private slots:
  void everyPageInEnglish() { walkEveryPage(Language::kEnglish); }
  void everyPageInItalian() { walkEveryPage(Language::kItalian); }

  // The tables compared above come through the same functions: these texts are known apart.
  void italianTextsAreNotEnglish() {
    Desk desk(Language::kItalian);
    QCOMPARE(desk.window().windowTitle(), QStringLiteral("Murl v1.01 - Steganografia & Authoring"));
    QCOMPARE(desk.window().menuButton(1)->toolTip(), QStringLiteral("Nascondere Dati"));
    QCOMPARE(desk.window().statusLabel()->text(),
             QStringLiteral("Leggete lo Help (F1): consigli, context help & note legali!"));
  }

  // The carrier dialogs: "All Supported Images/Audios" join the entries below them, the formats
  // follow in the order of their English names in both languages, and marking and checking
  // offer every entry but the modules.
  void carrierFiltersJoinAndOrderTheFormats() {
    auto set = [](const QString& patterns) {
      QStringList list = patterns.split(QLatin1Char(';'));
      return QSet<QString>(list.begin(), list.end());
    };
    const std::vector<ui::FileFilter> english =
        ui::carrierFilters(Language::kEnglish, ui::CarrierChoice::kWithModules);
    for (Language language : {Language::kEnglish, Language::kItalian}) {
      const std::vector<ui::FileFilter> all =
          ui::carrierFilters(language, ui::CarrierChoice::kWithModules);
      const std::vector<ui::FileFilter> marks =
          ui::carrierFilters(language, ui::CarrierChoice::kWithoutModules);
      QCOMPARE(all.size(), marks.size() + 2);
      QCOMPARE(all.back().patterns, QStringLiteral("*.*"));
      const size_t firstModule = marks.size() - 1;
      QVERIFY(all[firstModule].patterns.startsWith(QLatin1String("*.8b*;*.98;*.386;")));
      QSet<QString> images, audios;
      for (size_t i = 3; i < firstModule; ++i) {
        QCOMPARE(all[i].patterns, english[i].patterns);
        QCOMPARE(marks[i].patterns, all[i].patterns);
        QCOMPARE(all[i].name == english[i].name, language == Language::kEnglish);
        if (i > 3) QVERIFY(english[i - 1].name < english[i].name);
        (all[i].name.contains(QLatin1String("Audio")) ? audios : images) += set(all[i].patterns);
      }
      QCOMPARE(set(all[1].patterns), images);
      QCOMPARE(set(all[2].patterns), audios);
      QCOMPARE(set(all[0].patterns), images + audios);
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
