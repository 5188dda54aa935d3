// omf-tool: the desktop window "Extract\Insert Tool".
#include <QApplication>
#include <QMessageBox>
#include <exception>

#include "gui/dialogs.h"
#include "gui/main_window.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("omf-tool");
  QApplication::setDesktopFileName("omf-tool");
  try {
    omf::gui::MainWindow window;
    window.show();
    return QApplication::exec();
  } catch (const std::exception& e) {
    QMessageBox::critical(nullptr, omf::gui::kWindowTitle, e.what());
    return 1;
  }
}
