// The real window, offscreen: controls, captions, initial states, and a
// whole Add -> Process -> result.log path with the dialogs answered here.
#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QTextEdit>
#include <QTimer>
#include <QToolBar>
#include <QtTest>
#include <filesystem>

#include "gui/folder_dialog.h"
#include "gui/main_window.h"
#include "support/container_builder.h"
#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"

using omf::app::Button;
using omf::gui::MainWindow;
using omf::testing::DialogScript;
using omf::testing::ScriptedDialogs;

class GuiTest : public QObject {
  Q_OBJECT

 private slots:
  void ControlsCaptionsAndInitialStates() {
    DialogScript script;
    MainWindow w(std::make_unique<ScriptedDialogs>(script));
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QCOMPARE(w.windowTitle(), QString("Extract\\Insert Tool"));
    QCOMPARE(w.size(), QSize(688, 464));
    QCOMPARE(w.findChild<QToolBar*>("ToolBar1")->height(), 26);
    QCOMPARE(w.findChild<QListWidget*>("LogList")->height(), 189);
    QCOMPARE(w.findChild<QGroupBox*>("GroupBox1")->title(), QString(" Process "));
    QCOMPARE(w.findChild<QLabel*>("Extracted")->text(), QString("Extracted: 0"));
    QCOMPARE(w.findChild<QAbstractButton*>("SaveLog")->text(), QString("Save results"));
    QCOMPARE(w.findChild<QAbstractButton*>("Stop")->text(), QString("Stop"));
    QCOMPARE(w.findChild<QAbstractButton*>("Stop")->geometry(), QRect(612, 10, 71, 19));
    QCOMPARE(w.findChild<QProgressBar*>("Progress")->value(), 0);
    QCOMPARE(w.findChild<QProgressBar*>("Total")->value(), 0);
    QVERIFY(w.findChild<QTextEdit*>("Results")->toPlainText().isEmpty());
    QCOMPARE(w.findChild<QListWidget*>("LogList")->selectionMode(), QAbstractItemView::ExtendedSelection);

    // Six icon-only tool buttons in order, 23 pixels apart.
    const char* order[] = {"BAddLog", "BSaveList", "BRemLog", "BClearAll", "BProcess", "BExit"};
    int x = -1;
    for (const char* name : order) {
      auto* b = w.findChild<QAbstractButton*>(name);
      QVERIFY2(b != nullptr, name);
      QVERIFY(b->text().isEmpty() && !b->icon().isNull());
      QVERIFY2(b->x() > x, name);
      if (x >= 0) QCOMPARE(b->x() - x, 23);
      x = b->x();
    }
    // Only Add and Exit on.
    const std::pair<Button, bool> states[] = {{Button::kAddLog, true},  {Button::kSaveList, false},
                                              {Button::kRemLog, false}, {Button::kClearAll, false},
                                              {Button::kProcess, false}, {Button::kExit, true},
                                              {Button::kStop, false},   {Button::kSaveLog, false}};
    for (auto [button, on] : states) QCOMPARE(w.ButtonFor(button)->isEnabled(), on);
  }

  void AddProcessWritesResultLog() {
    omf::testing::TempDir dir;
    omf::testing::BuildContainer({{1, 25, omf::testing::PatternBytes(3000, 1)}, {2, 19, {}}})
        .image.WriteTo(dir / "a.omf");
    std::filesystem::create_directories(dir / "out");
    DialogScript script;
    script.inputs.push_back({1, {QString::fromStdString(dir / "a.omf")}});
    script.folders.push_back(QString::fromStdString(dir / "out"));
    MainWindow w(std::make_unique<ScriptedDialogs>(script));
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));

    QTest::mouseClick(w.ButtonFor(Button::kAddLog), Qt::LeftButton);
    QCOMPARE(w.findChild<QListWidget*>("LogList")->count(), 1);
    QVERIFY(w.ButtonFor(Button::kProcess)->isEnabled());

    QTest::mouseClick(w.ButtonFor(Button::kProcess), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!script.shown.empty(), 10000);
    QCOMPARE(script.shown.front(), std::string("Process status:|Operation complete!"));
    const std::string log = omf::testing::ReadFileText(dir / "out/result.log");
    QCOMPARE(log, "#Format: OMF\r\n#Source: " + (dir / "a.omf") + "\r\n" + (dir / "out") + "/0001.dat\r\nNULL\r\n");
    QVERIFY(w.ButtonFor(Button::kAddLog)->isEnabled());
    QVERIFY(w.ButtonFor(Button::kProcess)->isEnabled());
    QCOMPARE(w.findChild<QLabel*>("Extracted")->text(), QString());
    QVERIFY(w.findChild<QTextEdit*>("Results")->toPlainText().contains("Total 3000 bytes extracted."));
  }

  void FolderDialogOffersToCreateAMissingFolder() {
    omf::testing::TempDir dir;
    const QString missing = QString::fromStdString(dir / "new/nested");
    omf::gui::FolderDialog dialog(nullptr, QString::fromStdString(dir.path()));
    QCOMPARE(dialog.windowTitle(), QString("Select Directory"));
    dialog.findChild<QLineEdit*>("FolderPath")->setText(missing);
    QString asked;
    dialog.confirm_create = [&](const QString& q) {
      asked = q;
      return false;
    };
    dialog.accept();
    QCOMPARE(asked, QString("The specified directory does not exist. Create it?"));
    QCOMPARE(dialog.result(), 0);  // No keeps the dialog open
    QVERIFY(!std::filesystem::exists(missing.toStdString()));
    dialog.confirm_create = [](const QString&) { return true; };
    dialog.accept();
    QCOMPARE(dialog.result(), static_cast<int>(QDialog::Accepted));
    QVERIFY(std::filesystem::is_directory(missing.toStdString()));
    QCOMPARE(dialog.Folder(), missing);
  }
};

QTEST_MAIN(GuiTest)
#include "gui_test.moc"
