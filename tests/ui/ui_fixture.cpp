#include "ui_fixture.h"

#include <QApplication>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>
#include <filesystem>
#include <map>

#include "support/bmp_builder.h"
#include "support/random_bytes.h"
#include "support/wav_builder.h"
#include "ui/carriers_page.h"
#include "ui/source_page.h"

namespace murl::test {

template <class T>
static T takeFront(std::deque<T>& script, T otherwise) {
  if (script.empty()) return otherwise;
  T value = std::move(script.front());
  script.pop_front();
  return value;
}

std::vector<std::string> ScriptedDialogs::openFiles(QWidget*, const QString&,
                                                    const std::vector<ui::FileFilter>& filters) {
  filterLists.push_back(filters);
  return takeFront(files, {});
}

std::optional<std::string> ScriptedDialogs::chooseFolder(QWidget*, const QString&) {
  return takeFront<std::optional<std::string>>(folders, std::nullopt);
}

std::optional<std::string> ScriptedDialogs::saveFile(QWidget*, const QString&,
                                                     const std::vector<ui::FileFilter>& filters) {
  filterLists.push_back(filters);
  return takeFront<std::optional<std::string>>(saves, std::nullopt);
}

void ScriptedDialogs::show(QWidget*, const Message& message, ui::BoxIcon icon) {
  shown.push_back(message);
  shownIcons.push_back(icon);
}

bool ScriptedDialogs::ask(QWidget*, const Message& message, ui::BoxIcon icon) {
  asked.push_back(message);
  askedIcons.push_back(icon);
  if (onAsk) onAsk(message);
  return takeFront(answers, false);
}

std::vector<MessageId> ScriptedDialogs::ids(const std::vector<Message>& messages) {
  std::vector<MessageId> ids;
  for (const Message& m : messages) ids.push_back(m.id);
  return ids;
}

Desk::Desk(Language language, platform::FileSystem& base) : disk(base) {
  for (const char* folder : {"carriers", "src", "out", "temp"})
    std::filesystem::create_directory(dir.file(folder));
  ui::Artwork artwork;
  if (!artwork.load()) qFatal("the pictures cannot be made");
  frontEnd_ = std::make_unique<ui::FrontEnd>(dialogs, language, artwork, disk);
  frontEnd_->workspace().tempFolder = dir.file("temp") + "/";
  startSession(frontEnd_->workspace());
  window_ = std::make_unique<ui::MainWindow>(*frontEnd_);
  window_->show();
  // Shortcuts such as F1 reach an active window only.
  window_->activateWindow();
  if (!QTest::qWaitForWindowActive(window_.get())) qWarning("the window is not active");
}

Desk::~Desk() {
  window_.reset();
  // Whatever the window left queued (a retired wizard, pages to delete) goes now.
  QCoreApplication::sendPostedEvents();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

bool Desk::waitForPage(ui::PageId id, int milliseconds) {
  return QTest::qWaitFor([&] { return window_->page() == id && !window_->jobs().running(); },
                         milliseconds);
}

std::vector<std::string> Desk::tempFiles() const {
  std::vector<std::string> files = folderNames(dir.file("temp"));
  // Temporary files have no name: count those this process holds open in the folder.
  const std::string folder = std::filesystem::canonical(dir.file("temp")).string() + "/";
  for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
    std::error_code error;
    const std::string target = std::filesystem::read_symlink(fd.path(), error).string();
    if (!error && target.starts_with(folder)) files.push_back(target);
  }
  return files;
}

std::string Desk::wavCarrier(const std::string& name, uint32_t bits, uint32_t seed) {
  return writeWavCarrier(dir.file("carriers/" + name), bits, seed);
}

std::string Desk::bmpCarrier(const std::string& name, int width, int height) {
  BmpShape shape;
  shape.width = width;
  shape.height = height;
  std::string path = dir.file("carriers/" + name);
  writeAll(path, buildBmp(shape, noisyPixel));
  return path;
}

std::string Desk::sourceFile(const std::string& name, size_t size, uint32_t seed) {
  std::string path = dir.file("src/" + name);
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  writeAll(path, randomBytes(size, seed));
  return path;
}

ui::PasswordPage* Desk::reachPassword(const std::vector<std::string>& sources) {
  window_->command(ui::MenuCommand::kHidingWizard);
  auto* sourcePage = page<ui::SourcePage>();
  if (!sourcePage) return nullptr;
  dialogs.files.push_back(sources);
  sourcePage->addFilesButton()->click();
  if (!sourcePage->nextButton()->isEnabled()) return nullptr;
  sourcePage->nextButton()->click();
  return page<ui::PasswordPage>();
}

bool Desk::reachCarriers(const std::vector<std::string>& sources, const QString& password) {
  return reachPassword(sources) && typeTwice(password) && waitForPage(ui::PageId::kHiding4);
}

bool Desk::typeTwice(const QString& text) {
  auto* page = this->page<ui::TwiceTypedPage>();
  if (!page) return false;
  page->firstBox()->setText(text);
  page->secondBox()->setText(text);
  page->nextButton()->click();
  return true;
}

ui::MarkPage* Desk::reachMark(const std::vector<std::string>& carriers) {
  window_->command(ui::MenuCommand::kAuthoringWizard);
  if (!addCarriers(carriers)) return nullptr;
  page<ui::CarriersPage>()->nextButton()->click();
  return page<ui::MarkPage>();
}

bool Desk::addCarriers(const std::vector<std::string>& carriers) {
  auto* carriersPage = page<ui::CarriersPage>();
  if (!carriersPage) return false;
  dialogs.files.push_back(carriers);
  carriersPage->addButton()->click();
  return waitForPage(window_->page());
}

bool Desk::hide(const std::vector<std::string>& sources, const std::vector<std::string>& carriers,
                const std::string& folder, const QString& password) {
  if (!reachCarriers(sources, password) || !addCarriers(carriers)) return false;
  dialogs.folders.push_back(folder);
  page<ui::CarriersPage>()->nextButton()->click();
  return waitForPage(ui::PageId::kHidingReport);
}

bool Desk::unhide(const std::vector<std::string>& carriers, const QString& password) {
  window_->command(ui::MenuCommand::kUnhidingWizard);
  if (!addCarriers(carriers)) return false;
  page<ui::CarriersPage>()->nextButton()->click();
  return typeTwice(password) && QTest::qWaitFor([&] { return !window_->jobs().running(); }, 60000);
}

void dropFiles(QWidget* target, const std::vector<std::string>& paths) {
  QMimeData data;
  QList<QUrl> urls;
  for (const std::string& path : paths) urls << QUrl::fromLocalFile(QString::fromStdString(path));
  data.setUrls(urls);
  QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &enter);
  QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &drop);
}

std::map<std::string, SuiteFactory>& suites() {
  static std::map<std::string, SuiteFactory> all;
  return all;
}

bool registerSuite(const char* name, SuiteFactory factory) {
  suites()[name] = std::move(factory);
  return true;
}

}  // namespace murl::test
