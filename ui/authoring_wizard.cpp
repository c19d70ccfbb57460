#include "ui/authoring_wizard.h"

#include "ui/carriers_page.h"
#include "ui/password_page.h"
#include "ui/progress_page.h"
#include "ui/report_page.h"
#include "ui/texts.h"

namespace murl::ui {

AuthoringWizard::AuthoringWizard(WizardHost& host)
    : Wizard(host), session_(host.frontEnd().workspace(), host.jobs()) {}

void AuthoringWizard::begin() {
  CarrierPageSetup setup;
  setup.orderColumn = false;
  setup.streamBits = false;
  setup.bitsCounter = false;
  setup.filters = CarrierChoice::kWithoutModules;
  setup.ready = [](const CarrierList& list) { return list.size() > 0; };
  CarriersPage* page =
      showCarriers(PageId::kAuthoring1, session_.carriers(), std::move(setup),
                   [this](const std::vector<std::string>& paths, const Options& options) {
                     session_.addCarriers(paths, options, nullptr);
                   });
  connect(page, &CarriersPage::next, this, &AuthoringWizard::showMark);
}

void AuthoringWizard::showMark() {
  auto* page = new MarkPage(language());
  connect(page, &MarkPage::next, this, [this, page] { markChosen(page->typed()); });
  host_.showPage(PageId::kAuthoring2, page);
}

void AuthoringWizard::markChosen(const std::string& mark) {
  if (!session_.setMark(mark)) return;
  std::optional<std::string> folder = outputFolder();
  if (!folder) {
    host_.backToMainMenu();
    return;
  }
  host_.showPage(PageId::kAuthoring3, targetsPage(host_.jobs(), language()));
  startJob(
      [this, folder = *folder](const Options& options) { session_.markCarriers(folder, options); });
}

void AuthoringWizard::completed(JobCompletion completion) {
  if (completion == JobCompletion::kCarriersMarked)
    host_.showPage(PageId::kAuthoringReport, new ReportPage(host_, session_.report()));
}

void AuthoringWizard::release() { session_.reset(); }

}  // namespace murl::ui
