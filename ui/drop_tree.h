#pragma once
// A tree or list that takes files dropped onto it (from a file manager) and reports the keys the
// pages act on, so files dropped are added as if they had been chosen in the dialogs.
#include <QTreeWidget>
#include <string>
#include <vector>

namespace murl::ui {

class DropTree : public QTreeWidget {
  Q_OBJECT

 public:
  explicit DropTree(QWidget* parent = nullptr);

 signals:
  // Local files and folders dropped, in the order given.
  void pathsDropped(const std::vector<std::string>& paths);
  // Delete, plus or minus (main keyboard or keypad) pressed on the tree.
  void keyPressed(int key);

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace murl::ui
