#include "ui/extraction_page.h"

#include <QGridLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>

#include "core/number_display.h"
#include "ui/texts.h"
#include "ui/wizard.h"

namespace murl::ui {
namespace {

// The item a row stands for; the ".." row stands for none.
constexpr int kItemRole = Qt::UserRole;
constexpr qulonglong kParentRow = ~0ull;

QString utf8(const std::string& bytes) { return QString::fromStdString(bytes); }

}  // namespace

ExtractionPage::ExtractionPage(WizardHost& host, const ExtractionTree& tree)
    : host_(host), folder_(&tree.root()), rows_(new QTreeWidget(this)) {
  Language language = host.frontEnd().language();
  rows_->setObjectName(QStringLiteral("extractionList"));
  rows_->setRootIsDecorated(false);
  rows_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  rows_->setHeaderLabels({text(UiText::kColumnName, language), text(UiText::kColumnAttr, language),
                          text(UiText::kColumnSize, language)});
  rows_->header()->setStretchLastSection(false);
  rows_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
  rows_->setColumnWidth(1, 60);
  rows_->setColumnWidth(2, 130);
  extractSelected_ = new QPushButton(text(UiText::kExtractSelected, language), this);
  extractAll_ = new QPushButton(text(UiText::kExtractAll, language), this);

  auto* layout = new QGridLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addWidget(rows_, 0, 0, 3, 1);
  layout->addWidget(extractSelected_, 0, 1);
  layout->addWidget(extractAll_, 1, 1);
  layout->setRowStretch(2, 1);
  layout->setColumnStretch(0, 1);
  for (QPushButton* button : {extractSelected_, extractAll_}) button->setMinimumWidth(120);

  connect(rows_, &QTreeWidget::itemActivated, this, &ExtractionPage::activate);
  connect(rows_, &QTreeWidget::itemSelectionChanged, this,
          [this] { extractSelected_->setEnabled(!selectedItems().empty()); });
  connect(extractSelected_, &QPushButton::clicked, this, [this] { emit extractRequested(false); });
  connect(extractAll_, &QPushButton::clicked, this, [this] { emit extractRequested(true); });
  extractAll_->setEnabled(tree.root().itemCount() > 0);
  open(tree.root());
}

void ExtractionPage::open(const ExtractionFolder& folder) {
  Language language = host_.frontEnd().language();
  const Artwork& artwork = host_.frontEnd().artwork();
  folder_ = &folder;
  rows_->clear();
  auto addRow = [&](const QStringList& cells, ItemIcon icon, qulonglong item) {
    auto* row = new QTreeWidgetItem(rows_, cells);
    row->setIcon(0, artwork.item(icon));
    row->setData(0, kItemRole, item);
    row->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
  };
  if (folder.parent) addRow({text(UiText::kParentFolder, language)}, ItemIcon::kFolder, kParentRow);
  qulonglong item = 0;
  for (const ExtractionFolder* sub : folder.subfolders)
    addRow({utf8(sub->name), text(UiText::kFolderAttr, language)}, ItemIcon::kFolder, item++);
  for (const ExtractedFile& file : folder.files) {
    QString size = text(UiText::kSizeInBytes, language, utf8(formatCount(file.size)));
    addRow({utf8(file.name), QString::fromLatin1(attributeLetters(file.attributes)), size},
           ItemIcon::kFile, item++);
  }
  if (rows_->topLevelItemCount() > 0) rows_->setCurrentItem(rows_->topLevelItem(0));
  rows_->clearSelection();
  extractSelected_->setEnabled(false);
}

std::vector<size_t> ExtractionPage::selectedItems() const {
  std::vector<size_t> items;
  for (int i = 0; i < rows_->topLevelItemCount(); ++i) {
    QTreeWidgetItem* row = rows_->topLevelItem(i);
    qulonglong item = row->data(0, kItemRole).toULongLong();
    if (row->isSelected() && item != kParentRow) items.push_back(size_t(item));
  }
  return items;
}

void ExtractionPage::activate(QTreeWidgetItem* row) {
  qulonglong item = row->data(0, kItemRole).toULongLong();
  if (item == kParentRow) {
    open(*folder_->parent);
  } else if (item < folder_->subfolders.size()) {
    open(*folder_->subfolders[size_t(item)]);
  }
}

}  // namespace murl::ui
