#include "ui/drop_tree.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QUrl>

namespace murl::ui {
namespace {

std::vector<std::string> localPaths(const QMimeData* data) {
  std::vector<std::string> paths;
  if (!data || !data->hasUrls()) return paths;
  for (const QUrl& url : data->urls())
    if (url.isLocalFile()) paths.push_back(url.toLocalFile().toStdString());
  return paths;
}

}  // namespace

DropTree::DropTree(QWidget* parent) : QTreeWidget(parent) {
  setAcceptDrops(true);
  viewport()->setAcceptDrops(true);
  setDragDropMode(QAbstractItemView::DropOnly);
}

void DropTree::dragEnterEvent(QDragEnterEvent* event) {
  if (localPaths(event->mimeData()).empty()) return event->ignore();
  event->acceptProposedAction();
}

void DropTree::dragMoveEvent(QDragMoveEvent* event) {
  if (localPaths(event->mimeData()).empty()) return event->ignore();
  event->acceptProposedAction();
}

void DropTree::dropEvent(QDropEvent* event) {
  std::vector<std::string> paths = localPaths(event->mimeData());
  if (paths.empty()) return event->ignore();
  event->acceptProposedAction();
  emit pathsDropped(paths);
}

void DropTree::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Delete:
    case Qt::Key_Plus:
    case Qt::Key_Minus:
      emit keyPressed(event->key());
      event->accept();
      return;
    default:
      QTreeWidget::keyPressEvent(event);
  }
}

}  // namespace murl::ui
