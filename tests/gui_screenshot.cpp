// Saves a picture of the window with a small input list after a run:
// gui_screenshot OUT.png (run under a real X server, e.g. xvfb-run).
#include <QAbstractButton>
#include <QApplication>
#include <QListWidget>
#include <QFileInfo>
#include <QPixmap>
#include <QTimer>
#include <QtTest>
#include <filesystem>

#include "gui/main_window.h"
#include "support/container_builder.h"
#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 2) return 2;
  // Absolute now: the run moves the current directory to its output folder.
  const QString out = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();
  omf::testing::TempDir dir;
  QStringList files;
  for (const char* name : {"scene.omf", "level01.omf", "level02.omf"}) {
    std::vector<omf::testing::TestItem> items;
    for (std::uint32_t i = 0; i < 40; ++i) items.push_back({i, i % 3 == 0 ? 19u : 2u, omf::testing::PatternBytes(3000 + i * 50, i)});
    omf::testing::BuildContainer(items).image.WriteTo(dir / name);
    files << QString::fromStdString(dir / name);
  }
  std::filesystem::create_directories(dir / "out");
  omf::testing::DialogScript script;
  script.inputs.push_back({1, files});
  script.folders.push_back(QString::fromStdString(dir / "out"));
  omf::gui::MainWindow window(std::make_unique<omf::testing::ScriptedDialogs>(script));
  window.show();
  if (!QTest::qWaitForWindowExposed(&window)) return 1;
  window.ButtonFor(omf::app::Button::kAddLog)->click();
  window.ButtonFor(omf::app::Button::kProcess)->click();
  if (!QTest::qWaitFor([&] { return !script.shown.empty(); }, 10000)) return 1;
  window.findChild<QListWidget*>("LogList")->setCurrentRow(0);
  QTest::qWait(200);
  return window.grab().save(out) ? 0 : 1;
}
