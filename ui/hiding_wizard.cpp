#include "ui/hiding_wizard.h"

#include "ui/carriers_page.h"
#include "ui/password_page.h"
#include "ui/progress_page.h"
#include "ui/report_page.h"
#include "ui/source_page.h"
#include "ui/texts.h"

namespace murl::ui {
namespace {

// The output folder, a "/" and a target's name must fit one path buffer.
constexpr size_t kMaxOutputFolder = 65532;

}  // namespace

HidingWizard::HidingWizard(WizardHost& host)
    : Wizard(host), session_(host.frontEnd().workspace(), host.jobs()) {
  // Carriers added by a job are shown once it is over.
  connect(&host.jobs(), &JobRunner::ended, this, [this] {
    if (carriersPage_) carriersPage_->refresh();
  });
}

void HidingWizard::begin() {
  auto* page = new SourcePage(host_, session_);
  connect(page, &SourcePage::next, this, &HidingWizard::showPassword);
  host_.showPage(PageId::kHiding1, page);
}

void HidingWizard::showPassword() {
  auto* page = new PasswordPage(language(), true);
  connect(page, &PasswordPage::next, this, [this, page] {
    std::string password = page->password();
    uint8_t level = page->compressionLevel();
    page->clear();
    buildStream(password, level);
    std::fill(password.begin(), password.end(), '\0');
  });
  host_.showPage(PageId::kHiding2, page);
}

void HidingWizard::buildStream(const std::string& password, uint8_t compressionLevel) {
  workspace().password.take(password);
  jobOptions_ = host_.frontEnd().settings();
  jobOptions_.compressionLevel = compressionLevel;
  host_.showPage(PageId::kHiding3,
                 new ProgressPage(host_.jobs(), text(UiText::kCompressingEncrypting, language())));
  host_.startJob([this] { session_.buildStream(jobOptions_); });
}

void HidingWizard::completed(JobCompletion completion) {
  if (completion == JobCompletion::kStreamBuilt) showCarriers();
  if (completion == JobCompletion::kCarriersWritten) showReport();
}

void HidingWizard::showCarriers() {
  CarrierPageSetup setup;
  setup.ready = [this](const CarrierList&) { return session_.missingBits() == 0; };
  session_.carriers().setStreamBits(session_.streamBits());
  carriersPage_ = new CarriersPage(host_, session_.carriers(), setup);
  connect(carriersPage_, &CarriersPage::addRequested, this, &HidingWizard::addCarriers);
  connect(carriersPage_, &CarriersPage::next, this, &HidingWizard::carriersChosen);
  host_.showPage(PageId::kHiding4, carriersPage_);
}

void HidingWizard::addCarriers(const std::vector<std::string>& paths) {
  // Each job takes the settings as they are when it starts.
  jobOptions_ = host_.frontEnd().settings();
  host_.startJob([this, paths] { session_.addCarriers(paths, jobOptions_, nullptr); });
}

void HidingWizard::carriersChosen() {
  if (!session_.outOfRangeCheck()) return;
  std::optional<std::string> folder = outputFolder();
  if (!folder) {
    host_.backToMainMenu();
    return;
  }
  writeCarriers(*folder);
}

std::optional<std::string> HidingWizard::outputFolder() {
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

void HidingWizard::writeCarriers(const std::string& folder) {
  carriersPage_ = nullptr;
  auto* page = new ProgressPage(host_.jobs(), QString());
  page->setStatus(StatusLabel::kTitle1, text(UiText::kSourceCarrier, language()));
  page->setStatus(StatusLabel::kTitle2, text(UiText::kTargetCarrier, language()));
  host_.showPage(PageId::kHiding5, page);
  jobOptions_ = host_.frontEnd().settings();
  host_.startJob([this, folder] { session_.writeCarriers(folder, jobOptions_); });
}

void HidingWizard::showReport() {
  session_.discardStream();
  host_.showPage(PageId::kHidingReport, new ReportPage(host_, session_.report()));
}

void HidingWizard::release() {
  carriersPage_ = nullptr;
  session_.reset();
  workspace().password.clear();
}

}  // namespace murl::ui
