#include "ui/carriers_page.h"

#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>

#include "carriers/registry.h"
#include "core/number_display.h"
#include "platform/folders.h"
#include "ui/drop_tree.h"
#include "ui/texts.h"
#include "ui/wizard.h"

namespace murl::ui {
namespace {

QString count(uint32_t value) { return QString::fromStdString(formatCount(value)); }

}  // namespace

CarriersPage::CarriersPage(WizardHost& host, CarrierList& list, CarrierPageSetup setup)
    : host_(host), carriers_(list), setup_(std::move(setup)), rows_(new DropTree(this)) {
  Language language = host.frontEnd().language();
  rows_->setObjectName(QStringLiteral("carrierList"));
  rows_->setRootIsDecorated(false);
  rows_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  QStringList columns{text(UiText::kColumnName, language), text(UiText::kColumnBits, language)};
  if (setup_.orderColumn) columns << text(UiText::kColumnOrder, language);
  rows_->setHeaderLabels(columns);
  rows_->header()->setStretchLastSection(false);
  rows_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
  rows_->setColumnWidth(1, 100);
  if (setup_.orderColumn) rows_->setColumnWidth(2, 70);

  add_ = new QPushButton(text(UiText::kAddCarriers, language), this);
  next_ = new QPushButton(text(UiText::kNext, language), this);
  for (QPushButton* button : {add_, next_}) button->setMinimumWidth(120);
  auto* hint = new QLabel(text(UiText::kOrderHint, language), this);
  hint->setWordWrap(true);
  hint->setFixedWidth(130);
  count_ = new QLabel(this);
  bits_ = new QLabel(this);
  warning_ = new QLabel(this);
  warning_->setObjectName(QStringLiteral("warningLine"));
  warning_->setStyleSheet(QStringLiteral("color: #9c1010;"));
  path_ = new QLabel(this);
  bits_->setVisible(setup_.bitsCounter);
  warning_->setWordWrap(true);
  path_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

  auto* layout = new QGridLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->setVerticalSpacing(3);
  layout->addWidget(rows_, 0, 0, 4, 1);
  layout->addWidget(add_, 0, 1);
  layout->addWidget(hint, 1, 1);
  layout->addWidget(count_, 4, 0);
  layout->addWidget(bits_, 5, 0);
  layout->addWidget(next_, 5, 1);
  layout->addWidget(warning_, 6, 0, 1, 2);
  layout->addWidget(path_, 7, 0, 1, 2);
  layout->setRowStretch(3, 1);
  layout->setColumnStretch(0, 1);

  connect(add_, &QPushButton::clicked, this, &CarriersPage::chooseCarriers);
  connect(next_, &QPushButton::clicked, this, &CarriersPage::next);
  connect(rows_, &DropTree::pathsDropped, this, &CarriersPage::addRequested);
  connect(rows_, &DropTree::keyPressed, this, &CarriersPage::key);
  connect(&host.jobs(), &JobRunner::statusChanged, this,
          [this](StatusLabel label, const QString& value) {
            if (label != StatusLabel::kValue1) return;
            path_->setText(path_->fontMetrics().elidedText(value, Qt::ElideMiddle, path_->width()));
          });
  refresh();
}

void CarriersPage::chooseCarriers() {
  Language language = host_.frontEnd().language();
  std::vector<std::string> paths =
      host_.frontEnd().dialogs().openFiles(host_.owner(), text(UiText::kAddCarriers, language),
                                           carrierFilters(language, setup_.filters));
  if (!paths.empty()) emit addRequested(paths);
}

std::vector<bool> CarriersPage::selection() const {
  std::vector<bool> selected(carriers_.size(), false);
  for (int i = 0; i < rows_->topLevelItemCount() && size_t(i) < selected.size(); ++i)
    selected[size_t(i)] = rows_->topLevelItem(i)->isSelected();
  return selected;
}

void CarriersPage::key(int key) {
  std::vector<bool> selected = selection();
  size_t visible = carriers_.size();
  if (key == Qt::Key_Delete) {
    carriers_.removeSelected(selected);
    selected.assign(carriers_.size(), false);
    visible = carriers_.size() > 0 ? carriers_.size() - 1 : 0;
  } else if (key == Qt::Key_Plus) {
    visible = carriers_.moveSelectedDown(selected);
  } else if (key == Qt::Key_Minus) {
    visible = carriers_.moveSelectedUp(selected);
  }
  fillRows(selected, visible);
}

void CarriersPage::refresh() {
  fillRows(std::vector<bool>(carriers_.size(), false),
           carriers_.size() > 0 ? carriers_.size() - 1 : 0);
}

void CarriersPage::fillRows(const std::vector<bool>& selected, size_t visible) {
  Language language = host_.frontEnd().language();
  const Artwork& artwork = host_.frontEnd().artwork();
  rows_->clear();
  const std::vector<CarrierEntry>& entries = carriers_.entries();
  for (size_t i = 0; i < entries.size(); ++i) {
    QStringList cells{QString::fromStdString(platform::baseName(entries[i].path)),
                      count(entries[i].carrierBits)};
    if (setup_.orderColumn) cells << QString::asprintf("#%05lu", static_cast<unsigned long>(i));
    auto* row = new QTreeWidgetItem(rows_, cells);
    row->setIcon(0, artwork.media(formatOf(entries[i].type).kind));
    row->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    row->setSelected(i < selected.size() && selected[i]);
  }
  if (visible < entries.size()) rows_->scrollToItem(rows_->topLevelItem(int(visible)));

  count_->setText(text(UiText::kCarriersCount, language, count(uint32_t(entries.size()))));
  if (setup_.streamBits) {
    bits_->setText(text(UiText::kBitsOfStream, language, count(carriers_.totalBits()),
                        count(carriers_.streamBits())));
  } else {
    bits_->setText(text(UiText::kBitsTotal, language, count(carriers_.totalBits())));
  }
  size_t beyond = setup_.streamBits ? carriers_.carriersBeyondStream() : 0;
  QString warning;
  if (beyond > 0) {
    MessageId id =
        beyond == 1 ? MessageId::kLastCarrierOutOfRange : MessageId::kLastCarriersOutOfRange;
    warning = QString::fromStdString(formatMessage(id, language, uint32_t(beyond)));
  }
  warning_->setText(warning);
  bool enough = setup_.ready && setup_.ready(carriers_);
  next_->setEnabled(enough);
  add_->setEnabled(carriers_.size() < kMaxCarrierCount && !(setup_.streamBits && enough));
}

}  // namespace murl::ui
