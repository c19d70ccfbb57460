#include "ui/unhiding_wizard.h"

#include "ui/carriers_page.h"
#include "ui/extraction_page.h"
#include "ui/password_page.h"
#include "ui/progress_page.h"
#include "ui/texts.h"

namespace murl::ui {

UnhidingWizard::UnhidingWizard(WizardHost& host)
    : Wizard(host), session_(host.frontEnd().workspace(), host.jobs()) {}

void UnhidingWizard::begin() {
  CarrierPageSetup setup;
  setup.streamBits = false;
  setup.ready = [](const CarrierList& list) { return list.totalBits() > 0; };
  CarriersPage* page =
      showCarriers(PageId::kUnhiding1, session_.carriers(), std::move(setup),
                   [this](const std::vector<std::string>& paths, const Options& options) {
                     session_.addCarriers(paths, options, nullptr);
                   });
  connect(page, &CarriersPage::next, this, &UnhidingWizard::showPassword);
}

void UnhidingWizard::showPassword() {
  auto* page = new PasswordPage(language(), false);
  connect(page, &PasswordPage::next, this, [this, page] {
    std::string password = page->password();
    page->clear();
    unhide(password);
    std::fill(password.begin(), password.end(), '\0');
  });
  host_.showPage(PageId::kUnhiding2, page);
}

void UnhidingWizard::unhide(const std::string& password) {
  workspace().password.take(password);
  auto* page = new ProgressPage(host_.jobs(), text(UiText::kScanning, language()));
  connect(&host_.jobs(), &JobRunner::stageChanged, page, [this, page](JobStage stage) {
    page->setCaption(
        text(stage == JobStage::kDecoding ? UiText::kDecryptingDecompressing : UiText::kScanning,
             language()));
  });
  host_.showPage(PageId::kUnhiding3, page);
  // Data that does not decode is told once the job knows why.
  host_.frontEnd().messageBoxes().holdBack(MessageId::kInvalidData);
  // The carriers are read in the order the user gave them; a wrong order is told, with the
  // right one, by the diagnosis.
  startJob([this](const Options& options) { session_.unhide(options, true); });
}

void UnhidingWizard::completed(JobCompletion completion) {
  if (completion != JobCompletion::kFilesListed) return;
  host_.frontEnd().messageBoxes().takeHeld();
  workspace().password.clear();
  session_.carriers().clear();
  showExtraction();
}

void UnhidingWizard::failed() {
  if (std::optional<Message> held = host_.frontEnd().messageBoxes().takeHeld()) {
    std::vector<std::string> lines = diagnosis();
    if (!lines.empty()) held->text += "\r\n";
    for (const std::string& line : lines) held->text += "\r\n" + line;
    host_.frontEnd().dialogs().show(host_.owner(), *held, BoxIcon::kExclamation);
  }
  host_.backToMainMenu();
}

std::vector<std::string> UnhidingWizard::diagnosis() const {
  if (!session_.diagnosis()) return {};
  return verdictLines(*session_.diagnosis(), host_.frontEnd().language(), true);
}

void UnhidingWizard::showExtraction() {
  auto* page = new ExtractionPage(host_, session_.tree());
  connect(page, &ExtractionPage::extractRequested, this,
          [this, page](bool all) { extract(*page, all); });
  host_.showPage(PageId::kUnhidingExtraction, page);
}

void UnhidingWizard::extract(const ExtractionPage& page, bool all) {
  std::vector<size_t> items = page.selectedItems();
  const ExtractionFolder* folder = &page.folder();
  std::optional<std::string> output = outputFolder();
  if (!output) {
    host_.backToMainMenu();
    return;
  }
  startJob([this, all, items, folder, output = *output](const Options&) {
    if (all) {
      session_.extractAll(output);
    } else {
      session_.extractSelected(*folder, items, output);
    }
  });
}

void UnhidingWizard::release() {
  host_.frontEnd().messageBoxes().takeHeld();
  session_.reset();
  workspace().password.clear();
}

}  // namespace murl::ui
