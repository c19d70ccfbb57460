#include "ui/source_page.h"

#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <set>

#include "core/number_display.h"
#include "ui/drop_tree.h"
#include "ui/filters.h"
#include "ui/texts.h"
#include "ui/wizard.h"

namespace murl::ui {
namespace {

constexpr size_t kPathBufferSize = 65535;

SourceFolder* folderOf(const QTreeWidgetItem* item) {
  return reinterpret_cast<SourceFolder*>(item->data(0, Qt::UserRole).value<quintptr>());
}

}  // namespace

SourcePage::SourcePage(WizardHost& host, HidingSession& session)
    : host_(host), session_(session), tree_(new DropTree(this)) {
  Language language = host.frontEnd().language();
  tree_->setObjectName(QStringLiteral("sourceTree"));
  tree_->header()->hide();
  addFiles_ = new QPushButton(text(UiText::kAddFiles, language), this);
  addFolder_ = new QPushButton(text(UiText::kAddFolder, language), this);
  next_ = new QPushButton(text(UiText::kNext, language), this);
  files_ = new QLabel(this);
  size_ = new QLabel(this);

  auto* layout = new QGridLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addWidget(tree_, 0, 0, 4, 1);
  layout->addWidget(addFiles_, 0, 1);
  layout->addWidget(addFolder_, 1, 1);
  layout->addWidget(files_, 4, 0);
  layout->addWidget(size_, 5, 0);
  layout->addWidget(next_, 5, 1);
  layout->setRowStretch(3, 1);
  layout->setColumnStretch(0, 1);
  for (QPushButton* button : {addFiles_, addFolder_, next_}) button->setMinimumWidth(120);

  connect(addFiles_, &QPushButton::clicked, this, &SourcePage::addFiles);
  connect(addFolder_, &QPushButton::clicked, this, &SourcePage::addFolder);
  connect(next_, &QPushButton::clicked, this, &SourcePage::next);
  connect(tree_, &DropTree::pathsDropped, this, &SourcePage::addPaths);
  connect(tree_, &DropTree::keyPressed, this, [this](int key) {
    if (key == Qt::Key_Delete) removeSelected();
  });
  refresh();
}

void SourcePage::addFiles() {
  Language language = host_.frontEnd().language();
  addPaths(host_.frontEnd().dialogs().openFiles(host_.owner(), text(UiText::kAddFiles, language),
                                                sourceFilters(language)));
}

void SourcePage::addFolder() {
  std::optional<std::string> folder = host_.frontEnd().dialogs().chooseFolder(
      host_.owner(), text(UiText::kAddFolder, host_.frontEnd().language()));
  if (!folder) return;
  // The folder's path and the names below it share one path buffer.
  if (folder->size() + 2 >= kPathBufferSize) {
    host_.frontEnd().workspace().show(MessageId::kFolderNameTooLong);
    return;
  }
  addPaths({*folder});
}

void SourcePage::addPaths(const std::vector<std::string>& paths) {
  // The status line follows a folder scan file by file.
  session_.sources().onScanPath = [this](const std::string& path) {
    host_.setStatusLine(QString::fromStdString(path));
  };
  for (const std::string& path : paths) {
    if (!addFiles_->isEnabled()) break;
    bool goOn = session_.addSource(path);
    refresh();
    if (!goOn) break;
  }
  session_.sources().onScanPath = nullptr;
  host_.setStatusLine(QString());
}

void SourcePage::removeSelected() {
  QList<QTreeWidgetItem*> selected = tree_->selectedItems();
  if (selected.isEmpty() || !selected.front()->parent()) return;
  QTreeWidgetItem* item = selected.front();
  QTreeWidgetItem* parentItem = item->parent();
  SourceFolder& folder = *folderOf(parentItem);
  auto row = static_cast<size_t>(parentItem->indexOfChild(item));
  if (row < folder.subfolderCount()) {
    session_.sources().removeSubfolder(folder, row);
  } else {
    session_.sources().removeFile(folder, row - folder.subfolderCount());
  }
  refresh();
}

void SourcePage::fillFolder(QTreeWidgetItem* item, SourceFolder& folder) {
  const Artwork& artwork = host_.frontEnd().artwork();
  item->setData(0, Qt::UserRole, QVariant::fromValue(reinterpret_cast<quintptr>(&folder)));
  item->setIcon(0, artwork.item(ItemIcon::kFolder));
  for (size_t i = 0; i < folder.subfolderCount(); ++i) {
    SourceFolder& sub = folder.subfolder(i);
    auto* child = new QTreeWidgetItem(item, {QString::fromStdString(sub.name())});
    fillFolder(child, sub);
  }
  for (const SourceFile& file : folder.files()) {
    auto* child = new QTreeWidgetItem(
        item, {QString::fromUtf8(file.name().data(), qsizetype(file.name().size()))});
    child->setIcon(0, artwork.item(ItemIcon::kFile));
  }
}

void SourcePage::refresh() {
  // The tree is drawn again from the sources; folders that were open stay open.
  std::set<const SourceFolder*> open;
  for (QTreeWidgetItemIterator it(tree_); *it; ++it)
    if ((*it)->isExpanded()) open.insert(folderOf(*it));
  tree_->clear();
  Language language = host_.frontEnd().language();
  auto* root = new QTreeWidgetItem(tree_, {text(UiText::kRootItem, language)});
  fillFolder(root, session_.sources().root());
  for (QTreeWidgetItemIterator it(tree_); *it; ++it)
    if (open.count(folderOf(*it))) (*it)->setExpanded(true);
  root->setExpanded(true);

  const SourceTree& sources = session_.sources();
  files_->setText(
      text(UiText::kFilesNum, language, QString::fromStdString(formatCount(sources.fileCount()))));
  size_->setText(
      text(UiText::kSizeBytes, language, QString::fromStdString(formatCount(sources.totalSize()))));
  bool room = sources.fileCount() < kMaxSourceFiles && sources.totalSize() < kMaxContentSize;
  addFiles_->setEnabled(room);
  addFolder_->setEnabled(room);
  next_->setEnabled(sources.fileCount() > 0);
}

}  // namespace murl::ui
