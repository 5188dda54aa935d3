// Runs a processing run on a worker thread. Every report the engine makes
// is posted to the window's thread, in order; the end of the run too. Only
// the stop question is answered directly (it reads an atomic flag).
#pragma once

#include <QObject>
#include <memory>

#include "app/run_executor.h"

class QThread;

namespace omf::gui {

class QtRunExecutor final : public QObject, public app::RunExecutor {
  Q_OBJECT

 public:
  explicit QtRunExecutor(QObject* parent = nullptr);
  // Waits for a run that is still going on.
  ~QtRunExecutor() override;

  void Start(Work work, app::RunListener& ui, Done done) override;
  bool Busy() const { return thread_ != nullptr; }

 private:
  class PostingListener;
  QThread* thread_ = nullptr;
  std::unique_ptr<PostingListener> listener_;
};

}  // namespace omf::gui
