#include "gui/dialogs.h"

#include <QFileDialog>
#include <QMessageBox>

#include "gui/folder_dialog.h"

namespace omf::gui {

QStringList InputFilters() {
  return {"Object Metafile (*.omf)", "Project list files (*.lst)", "Log files (*.log)"};
}

namespace {

bool RunSaveDialog(QWidget* parent, const QString& title, const QString& filter, const QString& suffix,
                   QString& path) {
  QFileDialog dialog(parent, title, QString(), filter);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setDefaultSuffix(suffix);
  dialog.setOption(QFileDialog::ReadOnly, false);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
  path = dialog.selectedFiles().front();
  return true;
}

class QtDialogs final : public Dialogs {
 public:
  void Info(QWidget* parent, const QString& text, const QString& caption) override {
    QMessageBox::information(parent, caption, text, QMessageBox::Ok);
  }
  void Error(QWidget* parent, const QString& text) override {
    QMessageBox::critical(parent, kWindowTitle, text, QMessageBox::Ok);
  }
  bool YesNo(QWidget* parent, const QString& text, const QString& caption) override {
    return QMessageBox::question(parent, caption, text, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
  }
  bool SelectFolder(QWidget* parent, const QString& initial, QString& chosen) override {
    FolderDialog dialog(parent, initial);
    if (dialog.exec() != QDialog::Accepted) return false;
    chosen = dialog.Folder();
    return true;
  }
  bool OpenInputs(QWidget* parent, int& filter_position, QStringList& files) override {
    const QStringList filters = InputFilters();
    QFileDialog dialog(parent, "Select file...");
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(filters.value(filter_position - 1, filters.front()));
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (dialog.exec() != QDialog::Accepted) return false;
    filter_position = static_cast<int>(filters.indexOf(dialog.selectedNameFilter())) + 1;
    if (filter_position < 1) filter_position = 1;
    files = dialog.selectedFiles();
    return true;
  }
  bool SaveList(QWidget* parent, QString& path) override {
    return RunSaveDialog(parent, "Select file...", "Project list files (*.lst)", "lst", path);
  }
  bool SaveResults(QWidget* parent, QString& path) override {
    return RunSaveDialog(parent, "Select target...", "Text files (*.txt)", "txt", path);
  }
};

}  // namespace

std::unique_ptr<Dialogs> MakeQtDialogs() { return std::make_unique<QtDialogs>(); }

}  // namespace omf::gui
