#include "ui/startup.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QScreen>
#include <QTranslator>
#include <cstdio>
#include <memory>
#include <new>

#include "core/number_display.h"
#include "core/version.h"
#include "ui/main_window.h"
#include "ui/texts.h"

namespace murl::ui {
namespace {

void showStartError(Dialogs& dialogs, MessageId id, Language language) {
  dialogs.show(nullptr, Message{id, messageTitle(id, language), messageText(id, language)},
               BoxIcon::kStop);
}

std::optional<MessageId> primaryDisplayFault() {
  QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return MessageId::kNeeded640x480;
  QSize size = screen->size();
  return displayFault(screen->depth(), size.width(), size.height());
}

// The buffers are the one large allocation of the run; without them nothing can work.
std::unique_ptr<FrontEnd> allocateFrontEnd(Dialogs& dialogs, Language language,
                                           const Artwork& artwork) {
  try {
    return std::make_unique<FrontEnd>(dialogs, language, artwork);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

}  // namespace

StartRequest parseArguments(const QStringList& arguments, std::optional<Language>& language) {
  StartRequest request = StartRequest::kRun;
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    QString argument = arguments[i];
    QString value;
    if (argument == QLatin1String("--version")) {
      request = StartRequest::kVersion;
      continue;
    }
    if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
      request = StartRequest::kHelp;
      continue;
    }
    if (argument == QLatin1String("--lang") && i + 1 < arguments.size()) {
      value = arguments[++i];
    } else if (argument.startsWith(QLatin1String("--lang="))) {
      value = argument.mid(7);
    } else {
      return StartRequest::kBadUsage;
    }
    if (value == QLatin1String("en")) {
      language = Language::kEnglish;
    } else if (value == QLatin1String("it")) {
      language = Language::kItalian;
    } else {
      return StartRequest::kBadUsage;
    }
  }
  return request;
}

std::optional<MessageId> displayFault(int bitsPerPixel, int width, int height) {
  if (bitsPerPixel < 8) return MessageId::kNeeded256Colors;
  if (width < 640 || height < 480) return MessageId::kNeeded640x480;
  return std::nullopt;
}

int runApplication(int argc, char** argv) {
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  std::optional<Language> chosen;
  // Answered before Qt starts, so they work without a display.
  switch (parseArguments(arguments, chosen)) {
    case StartRequest::kRun:
      break;
    case StartRequest::kVersion:
      std::printf("%s\n", versionLine("murl").c_str());
      return 0;
    case StartRequest::kHelp:
      std::printf("%s\n", uiText(UiText::kUsage, platform::detectLanguage(chosen)));
      return 0;
    case StartRequest::kBadUsage:
      std::fprintf(stderr, "%s\n", uiText(UiText::kUsage, platform::detectLanguage()));
      return 2;
  }
  QApplication application(argc, argv);
  // The windows belong to the installed desktop entry (murl.desktop), whose icon they show.
  QGuiApplication::setDesktopFileName(QStringLiteral("murl"));
  Language language = platform::detectLanguage(chosen);
  formatCount(0);  // reads the thousand separator once, now
  // Qt's own dialogs (file choosers) speak the chosen language where its translations exist.
  QTranslator qtTexts;
  if (language == Language::kItalian &&
      qtTexts.load(QLocale(QLocale::Italian), QStringLiteral("qtbase"), QStringLiteral("_"),
                   QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QApplication::installTranslator(&qtTexts);
  SystemDialogs dialogs(language);
  if (std::optional<MessageId> fault = primaryDisplayFault()) {
    showStartError(dialogs, *fault, language);
    return 1;
  }
  Artwork artwork;
  if (!artwork.load()) {
    showStartError(dialogs, MessageId::kCouldntCreateBrush, language);
    return 1;
  }
  QApplication::setWindowIcon(artwork.applicationIcon());
  // The workspace holds the shared buffers and finds the temporary folder.
  std::unique_ptr<FrontEnd> frontEnd = allocateFrontEnd(dialogs, language, artwork);
  if (!frontEnd) {
    showStartError(dialogs, MessageId::kOutOfMemory, language);
    return 1;
  }
  startSession(frontEnd->workspace());
  MainWindow window(*frontEnd);
  window.show();
  return application.exec();
}

}  // namespace murl::ui
