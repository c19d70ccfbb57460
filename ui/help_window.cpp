#include "ui/help_window.h"

#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>
#include <iterator>

#include "ui/texts.h"

namespace murl::ui {
namespace {

// In PageId order.
constexpr const char* kTopics[] = {
    "main",
    "hiding-1",
    "hiding-2",
    "hiding-3",
    "hiding-4",
    "hiding-5",
    "hiding-report",
    "unhiding-1",
    "unhiding-2",
    "unhiding-3",
    "unhiding-extraction",
    "authoring-1",
    "authoring-2",
    "authoring-3",
    "authoring-report",
    "checking",
    "options",
};
static_assert(std::size(kTopics) == static_cast<size_t>(PageId::kCount));

}  // namespace

const char* helpTopic(PageId page) { return kTopics[static_cast<size_t>(page)]; }

HelpWindow::HelpWindow(platform::Language language, QWidget* parent)
    : QDialog(parent), language_(language), browser_(new QTextBrowser(this)) {
  setWindowTitle(text(UiText::kHelpTitle, language));
  browser_->setOpenExternalLinks(true);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(browser_);
  resize(520, 420);
}

void HelpWindow::showTopic(PageId page) {
  QUrl url(QStringLiteral("qrc:/murl/help/%1.html")
               .arg(language_ == platform::Language::kItalian ? "it" : "en"));
  url.setFragment(QString::fromLatin1(helpTopic(page)));
  browser_->setSource(url);
  browser_->scrollToAnchor(url.fragment());
  show();
  raise();
  activateWindow();
}

}  // namespace murl::ui
