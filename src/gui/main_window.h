// The main window "Extract\Insert Tool": tool bar, input list, results
// pane and the Process panel. It only shows things and connects its
// controls; the commands and the run live in the app layer and reach the
// window through WindowPort.
#pragma once

#include <QWidget>
#include <map>
#include <memory>

#include "app/input_list_commands.h"
#include "app/run_controller.h"
#include "app/window_port.h"
#include "app/window_state.h"
#include "gui/dialogs.h"
#include "gui/qt_run_executor.h"

class QAbstractButton;
class QGroupBox;
class QLabel;
class QProgressBar;
class QTextEdit;
class QToolBar;

namespace omf::gui {

class InputListWidget;

class MainWindow : public QWidget, public app::WindowPort {
  Q_OBJECT

 public:
  explicit MainWindow(std::unique_ptr<Dialogs> dialogs = MakeQtDialogs(), QWidget* parent = nullptr);
  ~MainWindow() override;

  app::WindowState& State() { return state_; }
  QAbstractButton* ButtonFor(app::Button button) const { return buttons_.at(button); }

  // WindowPort
  int ListCount() const override;
  std::string ListItem(int index) const override;
  void ListAppend(const std::string& item) override;
  void ListDelete(int index) override;
  void ListClear() override;
  bool ListSelected(int index) const override;
  void ListSetCurrent(int index) override;
  void ResultsClear() override;
  int ResultsLineCount() const override;
  std::string ResultsText() const override;
  void ResultsAppendLine(const std::string& line) override;
  void ResultsFocus() override;
  void SetCurrentMessage(const std::string& text) override;
  void SetExtracted(const std::string& text) override;
  void SetProgress(int position) override;
  void SetTotal(int position) override;
  void SetEnabled(app::Button button, bool enabled) override;
  bool IsEnabled(app::Button button) const override;
  void InfoBox(const std::string& text, const std::string& caption) override;
  void ErrorBox(const std::string& text) override;
  bool AskYesNo(const std::string& text, const std::string& caption) override;
  bool SelectFolder(const std::string& initial, std::string& chosen) override;
  bool SelectInputs(int& filter_position, std::vector<std::string>& files) override;
  bool SelectListTarget(std::string& path) override;
  bool SelectResultsTarget(std::string& path) override;
  void Quit() override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildControls();
  QAbstractButton* AddToolButton(QToolBar* bar, app::Button id, const char* name, const char* icon);

  app::WindowState state_;
  std::unique_ptr<Dialogs> dialogs_;
  QtRunExecutor executor_;
  app::InputListCommands commands_;
  app::RunController run_;

  std::map<app::Button, QAbstractButton*> buttons_;
  InputListWidget* list_ = nullptr;
  QTextEdit* results_ = nullptr;
  QLabel* current_message_ = nullptr;
  QLabel* extracted_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QProgressBar* total_ = nullptr;
};

}  // namespace omf::gui
