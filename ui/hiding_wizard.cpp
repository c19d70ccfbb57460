#include "ui/hiding_wizard.h"

#include "ui/carriers_page.h"
#include "ui/password_page.h"
#include "ui/progress_page.h"
#include "ui/report_page.h"
#include "ui/source_page.h"
#include "ui/texts.h"

namespace murl::ui {

HidingWizard::HidingWizard(WizardHost& host)
    : Wizard(host), session_(host.frontEnd().workspace(), host.jobs()) {}

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
  host_.showPage(PageId::kHiding3,
                 new ProgressPage(host_.jobs(), text(UiText::kCompressingEncrypting, language())));
  startJob([this, compressionLevel](const Options& settings) {
    Options options = settings;
    options.compressionLevel = compressionLevel;
    session_.buildStream(options);
  });
}

void HidingWizard::completed(JobCompletion completion) {
  if (completion == JobCompletion::kStreamBuilt) showCarriers();
  if (completion == JobCompletion::kCarriersWritten) showReport();
}

void HidingWizard::showCarriers() {
  CarrierPageSetup setup;
  setup.ready = [this](const CarrierList&) { return session_.missingBits() == 0; };
  session_.carriers().setStreamBits(session_.streamBits());
  CarriersPage* page =
      Wizard::showCarriers(PageId::kHiding4, session_.carriers(), std::move(setup),
                           [this](const std::vector<std::string>& paths, const Options& options) {
                             session_.addCarriers(paths, options, nullptr);
                           });
  connect(page, &CarriersPage::next, this, &HidingWizard::carriersChosen);
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

void HidingWizard::writeCarriers(const std::string& folder) {
  host_.showPage(PageId::kHiding5, targetsPage(host_.jobs(), language()));
  startJob([this, folder](const Options& options) { session_.writeCarriers(folder, options); });
}

void HidingWizard::showReport() {
  session_.discardStream();
  host_.showPage(PageId::kHidingReport, new ReportPage(host_, session_.report()));
}

void HidingWizard::release() {
  session_.reset();
  workspace().password.clear();
}

}  // namespace murl::ui
