#include "ui/checking_panel.h"

#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>

#include "ui/drop_tree.h"
#include "ui/filters.h"
#include "ui/report_page.h"
#include "ui/texts.h"

namespace murl::ui {
namespace {

void addNodes(QTreeWidgetItem* parent, const std::vector<ReportNode>& nodes) {
  for (const ReportNode& node : nodes) {
    auto* item = new QTreeWidgetItem(parent, {QString::fromStdString(node.text)});
    addNodes(item, node.children);
  }
}

}  // namespace

CheckingPanel::CheckingPanel(WizardHost& host)
    : host_(host), report_(new DropTree(this)), path_(new QLabel(this)) {
  Language language = host.frontEnd().language();
  report_->setObjectName(QStringLiteral("checkReport"));
  report_->header()->hide();
  check_ = new QPushButton(text(UiText::kCheckCarrier, language), this);
  save_ = new QPushButton(text(UiText::kSave, language), this);
  path_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

  auto* layout = new QGridLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addWidget(report_, 0, 0, 3, 1);
  layout->addWidget(check_, 0, 1);
  layout->addWidget(save_, 2, 1, Qt::AlignBottom);
  layout->addWidget(path_, 3, 0, 1, 2);
  layout->setRowStretch(1, 1);
  layout->setColumnStretch(0, 1);
  for (QPushButton* button : {check_, save_}) button->setMinimumWidth(120);

  connect(check_, &QPushButton::clicked, this, &CheckingPanel::chooseCarrier);
  connect(save_, &QPushButton::clicked, this, [this] { saveTextFile(host_, reportText()); });
  connect(report_, &DropTree::pathsDropped, this,
          [this](const std::vector<std::string>& paths) { emit checkRequested(paths.front()); });
  connect(&host.jobs(), &JobRunner::statusChanged, this,
          [this](StatusLabel label, const QString& value) {
            if (label != StatusLabel::kValue1) return;
            path_->setText(path_->fontMetrics().elidedText(value, Qt::ElideMiddle, path_->width()));
          });
  clearReport();
}

void CheckingPanel::chooseCarrier() {
  Language language = host_.frontEnd().language();
  std::vector<std::string> paths = host_.frontEnd().dialogs().openFiles(
      host_.owner(), text(UiText::kCheckCarrier, language),
      carrierFilters(language, CarrierChoice::kWithoutModules));
  if (!paths.empty()) emit checkRequested(paths.front());
}

void CheckingPanel::showReport(const std::vector<ReportNode>& roots) {
  const Artwork& artwork = host_.frontEnd().artwork();
  report_->clear();
  for (const ReportNode& node : roots) {
    auto* root = new QTreeWidgetItem(report_, {QString::fromStdString(node.text)});
    QFont bold = root->font(0);
    bold.setBold(node.bold);
    root->setFont(0, bold);
    if (node.icon == ReportNode::Icon::kAudio) root->setIcon(0, artwork.media(MediaKind::kAudio));
    if (node.icon == ReportNode::Icon::kImage) root->setIcon(0, artwork.media(MediaKind::kImage));
    addNodes(root, node.children);
    root->setExpanded(true);
  }
  if (report_->topLevelItemCount() > 0) report_->scrollToItem(report_->topLevelItem(0));
  report_->setFocus();
  save_->setEnabled(report_->topLevelItemCount() > 0);
}

void CheckingPanel::clearReport() {
  report_->clear();
  save_->setEnabled(false);
}

std::string CheckingPanel::reportText() const {
  std::string out;
  for (QTreeWidgetItemIterator it(report_); *it; ++it) {
    int depth = 0;
    for (QTreeWidgetItem* up = (*it)->parent(); up; up = up->parent()) ++depth;
    out += std::string(size_t(2 * depth), ' ') + (*it)->text(0).toStdString() + "\n";
  }
  return out;
}

CheckingWizard::CheckingWizard(WizardHost& host)
    : Wizard(host), session_(host.frontEnd().workspace(), host.jobs()) {}

void CheckingWizard::begin() {
  panel_ = new CheckingPanel(host_);
  connect(panel_, &CheckingPanel::checkRequested, this, [this](const std::string& path) {
    panel_->clearReport();
    startJob([this, path](const Options& options) { session_.check(path, options); });
  });
  host_.showPage(PageId::kChecking, panel_);
}

void CheckingWizard::completed(JobCompletion completion) {
  if (completion == JobCompletion::kCarrierChecked) panel_->showReport(session_.tree());
}

void CheckingWizard::failed() { panel_->clearReport(); }

}  // namespace murl::ui
