// Where a run's engine work happens. The window runs it on a worker thread
// and brings every report back to its own thread; tests run it inline.
#pragma once

#include <exception>
#include <functional>

#include "app/processing_run.h"

namespace omf::app {

class RunExecutor {
 public:
  using Work = std::function<RunResult(RunListener&)>;
  // result is null when the work raised `error`.
  using Done = std::function<void(const RunResult* result, std::exception_ptr error)>;

  virtual ~RunExecutor() = default;
  // Starts `work` with a listener whose reports reach `ui` on the window's
  // thread (StopRequested may be asked from any thread); `done` is called
  // on the window's thread when the work has ended.
  virtual void Start(Work work, RunListener& ui, Done done) = 0;
};

// Runs the work at once, on the calling thread.
class InlineExecutor final : public RunExecutor {
 public:
  void Start(Work work, RunListener& ui, Done done) override {
    RunResult result;
    try {
      result = work(ui);
    } catch (...) {
      done(nullptr, std::current_exception());
      return;
    }
    done(&result, nullptr);
  }
};

}  // namespace omf::app
