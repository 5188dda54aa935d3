#include "gui/main_window.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/button_states.h"
#include "gui/input_list_widget.h"

// The icons live in a static library: their resource must be registered
// explicitly, at global scope.
static void RegisterIcons() { Q_INIT_RESOURCE(icons); }

namespace omf::gui {
namespace {

// Sizes at 96 dpi.
constexpr int kClientWidth = 688;
constexpr int kClientHeight = 464;
constexpr int kToolBarHeight = 26;
constexpr int kToolButtonWidth = 23;
constexpr int kListHeight = 189;
constexpr int kGroupHeight = 66;

QString Q(const std::string& s) { return QString::fromLocal8Bit(s.data(), static_cast<qsizetype>(s.size())); }
std::string S(const QString& s) { return s.toLocal8Bit().toStdString(); }

QIcon ToolIcon(const char* name) {
  QIcon icon;
  icon.addFile(QString(":/icons/%1.svg").arg(name), QSize(16, 16), QIcon::Normal);
  icon.addFile(QString(":/icons/%1-disabled.svg").arg(name), QSize(16, 16), QIcon::Disabled);
  return icon;
}

}  // namespace

MainWindow::MainWindow(std::unique_ptr<Dialogs> dialogs, QWidget* parent)
    : QWidget(parent),
      dialogs_(std::move(dialogs)),
      commands_(*this, state_),
      run_(*this, state_, executor_) {
  RegisterIcons();
  setObjectName("MainForm");
  setWindowTitle(kWindowTitle);
  setWindowIcon(QIcon(":/icons/omf-tool.svg"));
  setWindowFlag(Qt::MSWindowsFixedSizeDialogHint, true);
  setFixedSize(kClientWidth, kClientHeight);
  BuildControls();
  app::ApplyInitialButtonStates(*this);
}

MainWindow::~MainWindow() = default;

QAbstractButton* MainWindow::AddToolButton(QToolBar* bar, app::Button id, const char* name, const char* icon) {
  auto* b = new QToolButton(bar);
  b->setObjectName(name);
  b->setIcon(ToolIcon(icon));
  b->setIconSize(QSize(16, 16));
  b->setAutoRaise(true);  // flat
  b->setToolButtonStyle(Qt::ToolButtonIconOnly);
  b->setFixedSize(kToolButtonWidth, kToolBarHeight - 4);
  b->setFocusPolicy(Qt::NoFocus);
  bar->addWidget(b);
  buttons_[id] = b;
  return b;
}

void MainWindow::BuildControls() {
  auto* bar = new QToolBar(this);
  bar->setObjectName("ToolBar1");
  bar->setFixedHeight(kToolBarHeight);
  bar->setMovable(false);
  bar->setStyleSheet("QToolBar { border: 1px solid palette(mid); spacing: 0px; padding: 0px; }");
  connect(AddToolButton(bar, app::Button::kAddLog, "BAddLog", "add"), &QAbstractButton::clicked, this,
          [this] { commands_.Add(); });
  connect(AddToolButton(bar, app::Button::kSaveList, "BSaveList", "save"), &QAbstractButton::clicked, this,
          [this] { commands_.SaveList(); });
  connect(AddToolButton(bar, app::Button::kRemLog, "BRemLog", "remove"), &QAbstractButton::clicked, this,
          [this] { commands_.Remove(); });
  connect(AddToolButton(bar, app::Button::kClearAll, "BClearAll", "clear"), &QAbstractButton::clicked, this,
          [this] { commands_.ClearAll(); });
  connect(AddToolButton(bar, app::Button::kProcess, "BProcess", "process"), &QAbstractButton::clicked, this,
          [this] { run_.Process(); });
  connect(AddToolButton(bar, app::Button::kExit, "BExit", "exit"), &QAbstractButton::clicked, this,
          [this] { close(); });

  list_ = new InputListWidget(this);
  list_->setObjectName("LogList");
  list_->setFixedHeight(kListHeight);
  connect(list_, &InputListWidget::filesDropped, this, [this](const QStringList& paths) {
    std::vector<std::string> files;
    for (const auto& p : paths) files.push_back(S(p));
    commands_.Drop(files);
  });
  connect(list_, &InputListWidget::deletePressed, this, [this] {
    if (IsEnabled(app::Button::kRemLog)) commands_.Remove();
  });

  results_ = new QTextEdit(this);
  results_->setObjectName("Results");
  results_->setAcceptRichText(true);
  results_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

  auto* group = new QGroupBox(" Process ", this);
  group->setObjectName("GroupBox1");
  group->setFixedHeight(kGroupHeight);
  auto* pfile = new QLabel(group);
  pfile->setObjectName("PFile");
  pfile->move(11, 16);
  current_message_ = new QLabel(group);
  current_message_->setObjectName("CurrentMessage");
  current_message_->setGeometry(12, 14, 316, 16);
  extracted_ = new QLabel("Extracted: 0", group);
  extracted_->setObjectName("Extracted");
  extracted_->setGeometry(334, 14, 168, 16);
  auto* save_log = new QPushButton("Save results", group);
  save_log->setObjectName("SaveLog");
  save_log->setFlat(true);
  save_log->setGeometry(506, 10, 105, 19);
  buttons_[app::Button::kSaveLog] = save_log;
  connect(save_log, &QAbstractButton::clicked, this, [this] { run_.SaveResults(); });
  auto* stop = new QPushButton("Stop", group);
  stop->setObjectName("Stop");
  stop->setFlat(true);
  stop->setGeometry(612, 10, 71, 19);
  buttons_[app::Button::kStop] = stop;
  connect(stop, &QAbstractButton::clicked, this, [this] { run_.Stop(); });
  for (auto* b : {save_log, stop}) b->setFocusPolicy(Qt::NoFocus);
  progress_ = new QProgressBar(group);
  progress_->setObjectName("Progress");
  total_ = new QProgressBar(group);
  total_->setObjectName("Total");
  progress_->setGeometry(12, 32, 671, 13);
  total_->setGeometry(12, 48, 671, 13);
  for (auto* bar_widget : {progress_, total_}) {
    bar_widget->setRange(0, 100);
    bar_widget->setValue(0);
    bar_widget->setTextVisible(false);
  }

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(bar);
  layout->addWidget(list_);
  layout->addWidget(results_, 1);
  layout->addWidget(group);

  setTabOrder(list_, results_);
}

// ---- The input list ----

int MainWindow::ListCount() const { return list_->count(); }
std::string MainWindow::ListItem(int index) const { return S(list_->item(index)->text()); }
void MainWindow::ListAppend(const std::string& item) { list_->addItem(Q(item)); }
void MainWindow::ListDelete(int index) { delete list_->takeItem(index); }
void MainWindow::ListClear() { list_->clear(); }
bool MainWindow::ListSelected(int index) const { return list_->item(index)->isSelected(); }
void MainWindow::ListSetCurrent(int index) {
  if (index < 0) {
    list_->setCurrentIndex(QModelIndex());
  } else {
    list_->setCurrentRow(index, QItemSelectionModel::NoUpdate);  // focus frame only
  }
}

// ---- The results pane ----

void MainWindow::ResultsClear() { results_->clear(); }
int MainWindow::ResultsLineCount() const {
  return results_->document()->isEmpty() ? 0 : results_->document()->blockCount();
}
std::string MainWindow::ResultsText() const { return results_->toPlainText().toStdString(); }
void MainWindow::ResultsAppendLine(const std::string& line) {
  QTextCursor cursor(results_->document());
  cursor.movePosition(QTextCursor::End);
  if (!results_->document()->isEmpty()) cursor.insertBlock();
  cursor.insertText(Q(line));
}
void MainWindow::ResultsFocus() { results_->setFocus(); }

// ---- Labels, bars, buttons ----

void MainWindow::SetCurrentMessage(const std::string& text) { current_message_->setText(Q(text)); }
void MainWindow::SetExtracted(const std::string& text) { extracted_->setText(Q(text)); }
void MainWindow::SetProgress(int position) { progress_->setValue(position); }
void MainWindow::SetTotal(int position) { total_->setValue(position); }
void MainWindow::SetEnabled(app::Button button, bool enabled) { buttons_.at(button)->setEnabled(enabled); }
bool MainWindow::IsEnabled(app::Button button) const { return buttons_.at(button)->isEnabled(); }

// ---- Boxes and dialogs ----

void MainWindow::InfoBox(const std::string& text, const std::string& caption) {
  dialogs_->Info(this, Q(text), Q(caption));
}
void MainWindow::ErrorBox(const std::string& text) { dialogs_->Error(this, Q(text)); }
bool MainWindow::AskYesNo(const std::string& text, const std::string& caption) {
  return dialogs_->YesNo(this, Q(text), Q(caption));
}
bool MainWindow::SelectFolder(const std::string& initial, std::string& chosen) {
  QString folder;
  if (!dialogs_->SelectFolder(this, Q(initial), folder)) return false;
  chosen = S(folder);
  return true;
}
bool MainWindow::SelectInputs(int& filter_position, std::vector<std::string>& files) {
  QStringList chosen;
  if (!dialogs_->OpenInputs(this, filter_position, chosen)) return false;
  files.clear();
  for (const auto& f : chosen) files.push_back(S(f));
  return true;
}
bool MainWindow::SelectListTarget(std::string& path) {
  QString chosen;
  if (!dialogs_->SaveList(this, chosen)) return false;
  path = S(chosen);
  return true;
}
bool MainWindow::SelectResultsTarget(std::string& path) {
  QString chosen;
  if (!dialogs_->SaveResults(this, chosen)) return false;
  path = S(chosen);
  return true;
}
void MainWindow::Quit() { close(); }

void MainWindow::closeEvent(QCloseEvent* event) {
  if (run_.CloseRequested()) {
    event->accept();
  } else {
    event->ignore();
  }
}

}  // namespace omf::gui
