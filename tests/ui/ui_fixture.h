#pragma once
// Shared ground of the desktop application's Qt Test suites: dialogs that answer from a script
// and record what they were asked, a main window on its own front end whose temporary folder is
// a test folder, and carriers made on the fly.
#include <QObject>
#include <QString>
#include <QTest>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/faulty_file_system.h"
#include "support/temp_dir.h"
#include "ui/dialogs.h"
#include "ui/front_end.h"
#include "ui/main_window.h"
#include "ui/password_page.h"

class QWidget;

namespace murl::test {

class ScriptedDialogs : public ui::Dialogs {
 public:
  std::vector<std::string> openFiles(QWidget* parent, const QString& title,
                                     const std::vector<ui::FileFilter>& filters) override;
  std::optional<std::string> chooseFolder(QWidget* parent, const QString& title) override;
  std::optional<std::string> saveFile(QWidget* parent, const QString& title,
                                      const std::vector<ui::FileFilter>& filters) override;
  void show(QWidget* parent, const Message& message, ui::BoxIcon icon) override;
  bool ask(QWidget* parent, const Message& message, ui::BoxIcon icon) override;
  void openUrl(const QString& address) override { urls.push_back(address); }

  std::vector<MessageId> shownIds() const { return ids(shown); }
  std::vector<MessageId> askedIds() const { return ids(asked); }

  // Scripted answers, taken in order; an empty script cancels (or answers No).
  std::deque<std::vector<std::string>> files;
  std::deque<std::optional<std::string>> folders;
  std::deque<std::optional<std::string>> saves;
  std::deque<bool> answers;
  // What was asked and shown.
  std::vector<std::vector<ui::FileFilter>> filterLists;
  std::vector<Message> shown;
  std::vector<ui::BoxIcon> shownIcons;
  std::vector<Message> asked;
  std::vector<ui::BoxIcon> askedIcons;
  std::vector<QString> urls;
  // Called with each question before its answer is taken.
  std::function<void(const Message&)> onAsk;

 private:
  static std::vector<MessageId> ids(const std::vector<Message>& messages);
};

// A main window as the application makes it, in `language`, with scripted dialogs; its files go
// through `disk` to `base`.
class Desk {
 public:
  explicit Desk(Language language = Language::kEnglish,
                platform::FileSystem& base = platform::realFileSystem());
  ~Desk();

  ui::MainWindow& window() { return *window_; }
  ui::FrontEnd& frontEnd() { return *frontEnd_; }
  ScriptedDialogs dialogs;
  FaultyFileSystem disk;  // the real disk, until a test makes its calls fail
  TempDir dir;            // carriers/, src/, out/ and temp/ (the workspace's temporary folder)

  // The page the window shows, as its own class; null when it shows another.
  template <class Page>
  Page* page() {
    return qobject_cast<Page*>(window_->currentPage());
  }
  // Waits until the window shows `id` and no job runs; false after the time allowed.
  bool waitForPage(ui::PageId id, int milliseconds = 30000);
  // The files in the temporary folder: those named there and the nameless ones held open.
  std::vector<std::string> tempFiles() const;

  // A WAV carrier of about `bits` carrier bits at level 3, in carriers/.
  std::string wavCarrier(const std::string& name, uint32_t bits, uint32_t seed = 1);
  // A 24-bit BMP carrier of `width` x `height` noisy pixels, in carriers/.
  std::string bmpCarrier(const std::string& name, int width, int height);
  // A file of `size` random bytes under src/.
  std::string sourceFile(const std::string& name, size_t size, uint32_t seed = 7);

  // From the main menu through step 1 with `sources` chosen with "Add Files": the password
  // page, or null when another shows.
  ui::PasswordPage* reachPassword(const std::vector<std::string>& sources);
  // From the main menu through the Authoring Wizard's step 1 with `carriers` added: the mark
  // page, or null when another shows.
  ui::MarkPage* reachMark(const std::vector<std::string>& carriers);
  // On a password or mark page: `text` typed in both boxes, then "Next"; false on another page.
  bool typeTwice(const QString& text = QStringLiteral("sixteen letters!"));
  // Steps 1 to 3 as above, the password typed twice. True once step 4 shows.
  bool reachCarriers(const std::vector<std::string>& sources,
                     const QString& password = QStringLiteral("sixteen letters!"));
  // On a carriers page: `carriers` chosen with "Add Carriers"; waits for the adding job to end.
  bool addCarriers(const std::vector<std::string>& carriers);
  // A whole run of the Hiding Wizard: `sources` (files or folders) into `carriers`, written to
  // `folder`; true once the report shows.
  bool hide(const std::vector<std::string>& sources, const std::vector<std::string>& carriers,
            const std::string& folder, const QString& password);
  // From the main menu through the Unhiding Wizard's carriers and password pages; waits until
  // the job has ended, on the extraction page or back on the main menu; false when it did not
  // start or end.
  bool unhide(const std::vector<std::string>& carriers, const QString& password);

 private:
  std::unique_ptr<ui::FrontEnd> frontEnd_;
  std::unique_ptr<ui::MainWindow> window_;
};

// A drop of local files onto a widget, as a file manager makes it.
void dropFiles(QWidget* target, const std::vector<std::string>& paths);

// Every Qt Test class registers itself so one program runs them all, or the one named.
using SuiteFactory = std::function<QObject*()>;
bool registerSuite(const char* name, SuiteFactory factory);
std::map<std::string, SuiteFactory>& suites();

#define MURL_UI_SUITE(Class)            \
  static const bool Class##Registered = \
      ::murl::test::registerSuite(#Class, [] { return new Class; })

}  // namespace murl::test
