// The input list: several items selectable at once, files may be dropped
// onto it, and the Delete key asks to remove the selected items.
#pragma once

#include <QListWidget>
#include <QStringList>

namespace omf::gui {

class InputListWidget : public QListWidget {
  Q_OBJECT

 public:
  explicit InputListWidget(QWidget* parent = nullptr);

 signals:
  void filesDropped(const QStringList& paths);
  void deletePressed();

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace omf::gui
