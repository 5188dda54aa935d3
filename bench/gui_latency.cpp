// How long the window stays unresponsive while it extracts containers.
//
//   gui_latency OUTPUT_DIR CONTAINER...
//
// Runs the real window (any Qt platform; offscreen works), adds the
// containers, presses Process and, until "Operation complete!", asks for a
// repaint every 10 ms. Prints the longest gap between two turns of
// the window's event loop and between two repaints of the window, and the
// run's wall time.
#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QProgressBar>
#include <QTimer>
#include <cstdio>

#include "gui/main_window.h"
#include "support/scripted_dialogs.h"

namespace {

// Records the time of every paint of the watched widget.
class PaintWatch : public QObject {
 public:
  explicit PaintWatch(QElapsedTimer& clock) : clock_(clock) {}
  qint64 max_gap_ms = 0;
  qint64 paints = 0;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) {
      const qint64 now = clock_.elapsed();
      if (paints > 0) max_gap_ms = std::max(max_gap_ms, now - last_);
      last_ = now;
      ++paints;
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  QElapsedTimer& clock_;
  qint64 last_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 3) {
    std::fprintf(stderr, "usage: gui_latency OUTPUT_DIR CONTAINER...\n");
    return 2;
  }
  omf::testing::DialogScript script;
  QStringList containers;
  for (int i = 2; i < argc; ++i) containers << QString::fromLocal8Bit(argv[i]);
  script.inputs.push_back({1, containers});
  script.folders.push_back(QString::fromLocal8Bit(argv[1]));
  omf::gui::MainWindow window(std::make_unique<omf::testing::ScriptedDialogs>(script));
  window.show();

  QElapsedTimer clock;
  clock.start();
  PaintWatch paints(clock);
  auto* bar = window.findChild<QProgressBar*>("Total");
  bar->installEventFilter(&paints);

  qint64 last_tick = -1;
  qint64 max_tick_gap = 0;
  QTimer ticker;
  ticker.setInterval(10);
  QObject::connect(&ticker, &QTimer::timeout, [&] {
    const qint64 now = clock.elapsed();
    if (last_tick >= 0) max_tick_gap = std::max(max_tick_gap, now - last_tick);
    last_tick = now;
    bar->update();  // ask for a repaint every turn
  });

  window.ButtonFor(omf::app::Button::kAddLog)->click();
  const qint64 start = clock.elapsed();
  ticker.start();
  window.ButtonFor(omf::app::Button::kProcess)->click();
  while (script.shown.empty()) QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
  ticker.stop();
  const qint64 wall = clock.elapsed() - start;
  std::printf("run %lld ms, longest event-loop gap %lld ms, longest gap between repaints %lld ms (%lld repaints), %s\n",
              static_cast<long long>(wall), static_cast<long long>(max_tick_gap),
              static_cast<long long>(paints.max_gap_ms), static_cast<long long>(paints.paints),
              script.shown.front().c_str());
  return script.shown.front().rfind("Process status:", 0) == 0 ? 0 : 1;
}
