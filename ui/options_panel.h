#pragma once
// The Options Panel: a tree with one node per bits selection level, named as the Process Report
// names it, holding that level's group and the groups of its format's own options, each a set
// of radio items. "Default" marks every group's default; "Accept" stores the marked items into
// the settings, which every later job takes. The tree is built from the settings each time the
// panel opens, so leaving it without "Accept" keeps them as they were.
#include <QWidget>
#include <functional>
#include <vector>

#include "core/options.h"
#include "ui/wizard.h"

class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace murl::ui {

class OptionsPanel : public QWidget {
  Q_OBJECT

 public:
  OptionsPanel(WizardHost& host, const Options& settings);

  QTreeWidget* tree() const { return tree_; }
  QPushButton* defaultButton() const { return default_; }
  QPushButton* acceptButton() const { return accept_; }

  // The radio items of every group, in tree order, and which of them is marked.
  size_t groupCount() const { return groups_.size(); }
  QTreeWidgetItem* item(size_t group, uint8_t value) const { return groups_[group].items[value]; }
  uint8_t marked(size_t group) const { return groups_[group].marked; }

  // Marks a radio item in its group; other items are left alone.
  void mark(QTreeWidgetItem* item);
  void markDefaults();
  // `settings` with every group's marked item stored in it.
  Options accepted(Options settings) const;

 signals:
  void acceptPressed();

 private:
  struct Group {
    std::vector<QTreeWidgetItem*> items;
    uint8_t marked = 0;
    std::function<uint8_t(const Options&)> get;
    std::function<void(Options&, uint8_t)> set;
  };
  void addGroup(QTreeWidgetItem* node, const QString& title, const std::vector<QString>& labels,
                Group group, const Options& settings);
  void markValue(size_t group, uint8_t value);

  WizardHost& host_;
  QTreeWidget* tree_;
  QPushButton* default_;
  QPushButton* accept_;
  std::vector<Group> groups_;
};

class OptionsWizard : public Wizard {
 public:
  explicit OptionsWizard(WizardHost& host) : Wizard(host) {}
  void begin() override;
  void completed(JobCompletion) override {}
  void release() override {}
};

}  // namespace murl::ui
