// The start-up checks: the arguments and the display.
#include "ui/startup.h"

#include "ui_fixture.h"

namespace murl::test {
namespace {

class StartupTest : public QObject {
  Q_OBJECT

 private slots:
  void theDisplayMustHold256ColoursAnd640x480() {
    struct Case {
      int depth, width, height;
      std::optional<MessageId> fault;
    };
    const Case cases[] = {
        {4, 1024, 768, MessageId::kNeeded256Colors},
        {8, 640, 480, std::nullopt},
        {32, 1920, 1080, std::nullopt},
        {8, 639, 480, MessageId::kNeeded640x480},
        {8, 640, 479, MessageId::kNeeded640x480},
        {1, 320, 200, MessageId::kNeeded256Colors},
    };
    for (const Case& c : cases) QCOMPARE(ui::displayFault(c.depth, c.width, c.height), c.fault);
  }

  void argumentsChooseTheLanguageOrAskForVersionOrHelp() {
    using enum ui::StartRequest;
    struct Case {
      QStringList arguments;
      ui::StartRequest request;
      std::optional<Language> language;
    };
    const Case cases[] = {
        {{"murl"}, kRun, std::nullopt},
        {{"murl", "--lang", "it"}, kRun, Language::kItalian},
        {{"murl", "--lang=en"}, kRun, Language::kEnglish},
        {{"murl", "--version"}, kVersion, std::nullopt},
        {{"murl", "--lang", "it", "--help"}, kHelp, Language::kItalian},
        {{"murl", "-h"}, kHelp, std::nullopt},
        {{"murl", "--lang", "de"}, kBadUsage, std::nullopt},
        {{"murl", "--lang"}, kBadUsage, std::nullopt},
        {{"murl", "photo.bmp"}, kBadUsage, std::nullopt},
        {{"murl", "--version", "photo.bmp"}, kBadUsage, std::nullopt},
    };
    for (const Case& c : cases) {
      std::optional<Language> language;
      QCOMPARE(ui::parseArguments(c.arguments, language), c.request);
      if (c.request != kBadUsage) QCOMPARE(language, c.language);
    }
  }
};

}  // namespace

MURL_UI_SUITE(StartupTest);

}  // namespace murl::test

#include "startup_test.moc"
