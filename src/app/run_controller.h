// The processing run as the window starts it, and the buttons that act
// during and after it: Process, Stop, "Save results", and closing the
// window while a run is going on.
//
// Process asks for the output folder on the window's thread, then hands
// the inputs to the executor, which runs the engine off the window's
// thread; every report comes back here and is shown through the port.
// While the run goes on Add, Save list, Remove, Clear all and Process are
// disabled; at its end they get back the states they had. Stop is honoured
// after the current input or the current container of a manifest.
#pragma once

#include <atomic>
#include <memory>
#include <cstdint>
#include <string>
#include <vector>

#include "app/processing_run.h"
#include "app/run_executor.h"
#include "app/window_port.h"
#include "app/window_state.h"

namespace omf::app {

inline constexpr const char* kCompleteText = "Operation complete!";
inline constexpr const char* kCompleteCaption = "Process status:";
inline constexpr const char* kSavedCaption = "Operation status";

class RunController {
 public:
  RunController(WindowPort& port, WindowState& state, RunExecutor& executor);
  ~RunController();

  void Process();
  void Stop();
  void SaveResults();
  // The window is about to close: true lets it close now. During a run the
  // user is asked whether to stop and quit; on yes the window closes once
  // the run has reached its next safe point.
  bool CloseRequested();

  std::uint64_t ExtractedBytes() const { return extracted_bytes_; }
  std::uint64_t ExtractedFiles() const { return extracted_files_; }

 private:
  class Updates;
  friend class Updates;

  void Finish(const RunResult* result, std::exception_ptr error, std::size_t inputs);
  void ShowCompletion();

  WindowPort& port_;
  WindowState& state_;
  RunExecutor& executor_;
  std::atomic<bool> stop_requested_{false};
  bool quit_after_run_ = false;
  std::uint64_t extracted_bytes_ = 0;
  std::uint64_t extracted_files_ = 0;
  std::vector<std::pair<Button, bool>> saved_buttons_;
  std::unique_ptr<RunListener> updates_;
};

}  // namespace omf::app
