// The Options Panel: its tree, "Default" and "Accept", leaving without accepting, and the
// settings reaching the next job.
#include "ui/options_panel.h"

#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>

#include "ui/carriers_page.h"
#include "ui_fixture.h"

namespace murl::test {
namespace {

using ui::PageId;

// Every setting of the panel as one comparable row.
std::vector<int> values(const Options& o) {
  std::vector<int> all(o.bitsLevels.begin(), o.bitsLevels.end());
  for (int v : {int(o.pcxOutput), int(o.tgaOutput), int(o.pngOutput), int(o.pngCompressionLevel),
                int(o.pngChunkSize)})
    all.push_back(v);
  return all;
}

// A click on a radio item, its format node opened first, as a user marks it.
void click(ui::OptionsPanel* panel, QTreeWidgetItem* item) {
  item->parent()->parent()->setExpanded(true);
  panel->tree()->scrollToItem(item);
  QCoreApplication::processEvents();
  QTest::mouseClick(panel->tree()->viewport(), Qt::LeftButton, {},
                    panel->tree()->visualItemRect(item).center());
}

class OptionsPanelTest : public QObject {
  Q_OBJECT

 private slots:
  void nothingIsStoredUntilAcceptAndDefaultRestoresEveryDefault() {
    Desk desk;
    Options& settings = desk.frontEnd().settings();
    // Each setting one item past its default, as an earlier "Accept" may have left it.
    settings.bitsLevels = {0, 1, 2, 4, 5, 6, 0, 1, 2};
    settings.pcxOutput = RleOutput::kCompressed;
    settings.tgaOutput = RleOutput::kUncompressed;
    settings.pngOutput = PngOutput::kLinear;
    settings.pngCompressionLevel = 6;
    settings.pngChunkSize = 8;
    const Options changed = settings;
    desk.window().command(ui::MenuCommand::kOptionsPanel);
    auto* panel = desk.page<ui::OptionsPanel>();
    std::vector<int> marked;
    for (size_t g = 0; g < panel->groupCount(); ++g) marked.push_back(panel->marked(g));
    // The panel opens on the settings as they are: AIF, BMP, JPG, MP3, NEXT/SUN, PCX and its
    // output, PNG with its compression, output and chunk size, TGA and its output, WAV.
    QCOMPARE(marked, (std::vector<int>{0, 2, 4, 5, 1, 6, 1, 0, 6, 2, 8, 1, 2, 2}));
    // Clicks and "Default" mark items but store nothing until "Accept"; leaving keeps the
    // settings as they were.
    for (size_t g = 0; g < panel->groupCount(); ++g) click(panel, panel->item(g, 0));
    for (size_t g = 0; g < panel->groupCount(); ++g) QCOMPARE(panel->marked(g), uint8_t(0));
    desk.window().command(ui::MenuCommand::kBackToMainMenu);
    QCOMPARE(values(settings), values(changed));
    desk.window().command(ui::MenuCommand::kOptionsPanel);
    panel = desk.page<ui::OptionsPanel>();
    QCOMPARE(panel->marked(1), uint8_t(2));  // BMP as stored, not as clicked
    panel->defaultButton()->click();
    QCOMPARE(values(settings), values(changed));
    panel->acceptButton()->click();
    QCOMPARE(values(settings), values(Options{}));
  }

  void aBmpLevelChangesTheCapacityShown() {
    Desk desk;
    std::string photo = desk.bmpCarrier("photo.bmp", 120, 90);
    auto capacity = [&] {
      desk.window().command(ui::MenuCommand::kUnhidingWizard);
      if (!desk.addCarriers({photo})) return QString();
      return desk.page<ui::CarriersPage>()->bitsCounter()->text();
    };
    const QString medium = capacity();
    desk.window().command(ui::MenuCommand::kOptionsPanel);
    auto* panel = desk.page<ui::OptionsPanel>();
    QCOMPARE(panel->tree()->topLevelItem(1)->text(0), QStringLiteral("BMP"));
    click(panel, panel->tree()->topLevelItem(1)->child(0)->child(6));  // "Maximum"
    panel->acceptButton()->click();
    const QString maximum = capacity();
    QVERIFY(medium.startsWith(QLatin1String("Bits: ")));
    QVERIFY2(maximum != medium, qPrintable(maximum));
    // Back at "Medium", the same carrier counts as before.
    desk.window().command(ui::MenuCommand::kOptionsPanel);
    panel = desk.page<ui::OptionsPanel>();
    click(panel, panel->tree()->topLevelItem(1)->child(0)->child(kDefaultLevel));
    panel->acceptButton()->click();
    QCOMPARE(capacity(), medium);
  }
};

}  // namespace

MURL_UI_SUITE(OptionsPanelTest);

}  // namespace murl::test

#include "options_panel_test.moc"
