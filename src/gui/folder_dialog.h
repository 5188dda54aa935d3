// "Select Directory": pick a folder, or type one that does not exist yet;
// OK then asks whether to create it (No keeps the dialog open, Yes creates
// it with its parents).
#pragma once

#include <QDialog>
#include <functional>

class QLineEdit;
class QTreeView;
class QFileSystemModel;

namespace omf::gui {

class FolderDialog : public QDialog {
  Q_OBJECT

 public:
  FolderDialog(QWidget* parent, const QString& initial);

  QString Folder() const;
  // Asks "Create it?"; replaceable so tests can answer.
  std::function<bool(const QString& question)> confirm_create;

  void accept() override;

 private:
  QLineEdit* path_;
  QTreeView* tree_;
  QFileSystemModel* model_;
};

}  // namespace omf::gui
