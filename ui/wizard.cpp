#include "ui/wizard.h"

#include "ui/carriers_page.h"
#include "ui/texts.h"

namespace murl::ui {
namespace {

// The output folder, a "/" and a target's name must fit one path buffer.
constexpr size_t kMaxOutputFolder = 65532;

}  // namespace

void Wizard::failed() { host_.backToMainMenu(); }

std::optional<std::string> Wizard::outputFolder() {
  Dialogs& dialogs = host_.frontEnd().dialogs();
  for (;;) {
    std::optional<std::string> folder =
        dialogs.chooseFolder(host_.owner(), text(UiText::kSelectOutputFolder, language()));
    if (!folder) {
      if (workspace().ask(MessageId::kNeedOutputFolder)) return std::nullopt;
      continue;
    }
    if (folder->size() <= kMaxOutputFolder) return folder;
    workspace().show(MessageId::kFolderNameTooLong);
  }
}

bool Wizard::startJob(std::function<void(const Options&)> work) {
  jobOptions_ = host_.frontEnd().settings();
  return host_.startJob([this, work = std::move(work)] { work(jobOptions_); });
}

CarriersPage* Wizard::showCarriers(PageId id, CarrierList& list, CarrierPageSetup setup,
                                   AddCarriers add) {
  auto* page = new CarriersPage(host_, list, std::move(setup));
  connect(page, &CarriersPage::addRequested, this,
          [this, add = std::move(add)](const std::vector<std::string>& paths) {
            startJob([add, paths](const Options& options) { add(paths, options); });
          });
  // The page goes with its connection when the wizard moves on.
  connect(&host_.jobs(), &JobRunner::ended, page, &CarriersPage::refresh);
  host_.showPage(id, page);
  return page;
}

}  // namespace murl::ui
