#include "gui/folder_dialog.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTreeView>
#include <QVBoxLayout>

namespace omf::gui {

FolderDialog::FolderDialog(QWidget* parent, const QString& initial) : QDialog(parent) {
  setWindowTitle("Select Directory");
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  setObjectName("SelectDirectory");

  model_ = new QFileSystemModel(this);
  model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
  model_->setRootPath(QDir::rootPath());
  tree_ = new QTreeView(this);
  tree_->setModel(model_);
  for (int column = 1; column < model_->columnCount(); ++column) tree_->hideColumn(column);
  tree_->header()->hide();
  path_ = new QLineEdit(QDir::toNativeSeparators(initial), this);
  path_->setObjectName("FolderPath");
  const QModelIndex start = model_->index(initial);
  if (start.isValid()) {
    tree_->setCurrentIndex(start);
    tree_->scrollTo(start);
  }
  connect(tree_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& current) { path_->setText(QDir::toNativeSeparators(model_->filePath(current))); });

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &FolderDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &FolderDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tree_);
  layout->addWidget(new QLabel("Folder:", this));
  layout->addWidget(path_);
  layout->addWidget(buttons);
  resize(360, 400);

  confirm_create = [this](const QString& question) {
    return QMessageBox::question(this, windowTitle(), question, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
  };
}

QString FolderDialog::Folder() const {
  QString path = QDir::cleanPath(QDir::fromNativeSeparators(path_->text().trimmed()));
  return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

void FolderDialog::accept() {
  if (path_->text().trimmed().isEmpty()) return;
  const QString folder = Folder();
  const QFileInfo info(folder);
  if (!info.exists()) {
    if (!confirm_create("The specified directory does not exist. Create it?")) return;  // stays open
    // A folder that cannot be created is not reported here: the first write
    // into it fails with its own error.
    QDir().mkpath(folder);
  } else if (!info.isDir()) {
    return;
  }
  QDialog::accept();
}

}  // namespace omf::gui
