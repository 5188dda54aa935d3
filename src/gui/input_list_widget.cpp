#include "gui/input_list_widget.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QUrl>

namespace omf::gui {

InputListWidget::InputListWidget(QWidget* parent) : QListWidget(parent) {
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setSortingEnabled(false);
  setUniformItemSizes(true);
  setAcceptDrops(true);
  setDragDropMode(QAbstractItemView::DropOnly);
}

void InputListWidget::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void InputListWidget::dragMoveEvent(QDragMoveEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void InputListWidget::dropEvent(QDropEvent* event) {
  QStringList paths;
  for (const QUrl& url : event->mimeData()->urls()) {
    if (url.isLocalFile()) paths << url.toLocalFile();
  }
  if (!paths.isEmpty()) {
    event->acceptProposedAction();
    emit filesDropped(paths);
  }
}

void InputListWidget::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Delete) {
    emit deletePressed();
    return;
  }
  QListWidget::keyPressEvent(event);
}

}  // namespace omf::gui
