#include "ui/options_panel.h"

#include <QGridLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>

#include "carriers/registry.h"
#include "ui/texts.h"

namespace murl::ui {
namespace {

constexpr int kGroupRole = Qt::UserRole;
constexpr int kValueRole = Qt::UserRole + 1;

QString textOf(const TextPair& pair, Language language) {
  return QString::fromUtf8(pick(pair, language));
}

std::vector<QString> levelNames(Language language) {
  std::vector<QString> names;
  for (uint8_t level = 0; level <= kMaxLevel; ++level)
    names.push_back(QString::fromUtf8(levelName(level, language)));
  return names;
}

// The format a level belongs to; its own options hang under its first level.
const FormatFacts& formatOfLevel(const LevelFacts* level) {
  for (const FormatFacts* format : carrierFormats())
    for (const LevelFacts& own : format->levels)
      if (&own == level) return *format;
  return *carrierFormats().front();
}

std::vector<QString> optionLabels(const OptionFacts& option, Language language) {
  if (option.kind == OptionFacts::Kind::kLevel) return levelNames(language);
  std::vector<QString> labels;
  for (const TextPair& label : option.labels) labels.push_back(textOf(label, language));
  return labels;
}

}  // namespace

OptionsPanel::OptionsPanel(WizardHost& host, const Options& settings)
    : host_(host), tree_(new QTreeWidget(this)) {
  Language language = host.frontEnd().language();
  const Artwork& artwork = host.frontEnd().artwork();
  tree_->setObjectName(QStringLiteral("optionsTree"));
  tree_->header()->hide();
  for (const LevelFacts* level : levelsByReportName()) {
    const FormatFacts& format = formatOfLevel(level);
    auto* node = new QTreeWidgetItem(tree_, {QString::fromUtf8(level->reportName)});
    node->setIcon(0, artwork.media(format.kind));
    LevelFormat which = level->format;
    addGroup(node, text(UiText::kBitsSelectionLevel, language), levelNames(language),
             Group{{},
                   0,
                   [which](const Options& o) { return o.level(which); },
                   [which](Options& o, uint8_t v) { o.setLevel(which, v); }},
             settings);
    if (&format.levels.front() != level) continue;
    for (const OptionFacts& option : format.options)
      addGroup(node, textOf(option.title, language), optionLabels(option, language),
               Group{{}, 0, option.get, option.set}, settings);
  }
  if (tree_->topLevelItemCount() > 0) tree_->topLevelItem(0)->setExpanded(true);

  default_ = new QPushButton(text(UiText::kDefault, language), this);
  accept_ = new QPushButton(text(UiText::kAccept, language), this);
  auto* layout = new QGridLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addWidget(tree_, 0, 0, 3, 1);
  layout->addWidget(default_, 0, 1);
  layout->addWidget(accept_, 2, 1, Qt::AlignBottom);
  layout->setRowStretch(1, 1);
  layout->setColumnStretch(0, 1);
  for (QPushButton* button : {default_, accept_}) button->setMinimumWidth(120);

  connect(tree_, &QTreeWidget::itemClicked, this, &OptionsPanel::mark);
  connect(tree_, &QTreeWidget::itemActivated, this, &OptionsPanel::mark);
  connect(default_, &QPushButton::clicked, this, &OptionsPanel::markDefaults);
  connect(accept_, &QPushButton::clicked, this, &OptionsPanel::acceptPressed);
}

void OptionsPanel::addGroup(QTreeWidgetItem* node, const QString& title,
                            const std::vector<QString>& labels, Group group,
                            const Options& settings) {
  auto* heading = new QTreeWidgetItem(node, {title});
  size_t index = groups_.size();
  for (size_t value = 0; value < labels.size(); ++value) {
    auto* item = new QTreeWidgetItem(heading, {labels[value]});
    item->setData(0, kGroupRole, qulonglong(index));
    item->setData(0, kValueRole, int(value));
    group.items.push_back(item);
  }
  heading->setExpanded(true);
  groups_.push_back(std::move(group));
  markValue(index, groups_[index].get(settings));
}

void OptionsPanel::mark(QTreeWidgetItem* item) {
  if (!item || !item->data(0, kValueRole).isValid()) return;
  markValue(size_t(item->data(0, kGroupRole).toULongLong()),
            uint8_t(item->data(0, kValueRole).toInt()));
}

void OptionsPanel::markValue(size_t index, uint8_t value) {
  Group& group = groups_[index];
  group.marked = value;
  const Artwork& artwork = host_.frontEnd().artwork();
  for (size_t i = 0; i < group.items.size(); ++i)
    group.items[i]->setIcon(0, artwork.item(i == value ? ItemIcon::kRadioOn : ItemIcon::kRadioOff));
}

void OptionsPanel::markDefaults() {
  const Options defaults;
  for (size_t i = 0; i < groups_.size(); ++i) markValue(i, groups_[i].get(defaults));
}

Options OptionsPanel::accepted(Options settings) const {
  for (const Group& group : groups_) group.set(settings, group.marked);
  return settings;
}

void OptionsWizard::begin() {
  auto* panel = new OptionsPanel(host_, host_.frontEnd().settings());
  connect(panel, &OptionsPanel::acceptPressed, this, [this, panel] {
    host_.frontEnd().settings() = panel->accepted(host_.frontEnd().settings());
  });
  host_.showPage(PageId::kOptions, panel);
}

}  // namespace murl::ui
