#include "app/run_controller.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "app/rtf.h"
#include "platform/error.h"
#include "platform/file_stream.h"
#include "platform/paths.h"

namespace omf::app {

// The run's reports, shown in the window (called on the window's thread).
class RunController::Updates final : public RunListener {
 public:
  explicit Updates(RunController& c) : c_(c), port_(c.port_) {}

  void InputStarted(std::size_t, std::size_t, const std::string&) override {
    port_.ResultsFocus();
    port_.SetEnabled(Button::kSaveLog, false);
    if (!c_.stop_requested_) port_.SetEnabled(Button::kStop, true);
    port_.SetProgress(0);
  }
  void InputDone(std::size_t) override {
    port_.SetEnabled(Button::kStop, false);
    if (port_.ResultsLineCount() > 0) port_.SetEnabled(Button::kSaveLog, true);
  }
  void SetTotalPosition(int percent) override { port_.SetTotal(percent); }
  void SetCurrentMessage(const std::string& text) override { port_.SetCurrentMessage(text); }
  bool StopRequested() override { return c_.stop_requested_; }

  // Extraction: Progress per entry, Extracted per item file.
  void ExtractionStarted(std::uint64_t entries, std::uint64_t) override { Begin(entries); }
  void ItemWritten(const std::string&, std::uint64_t bytes) override { Advanced(0, 1, bytes); }
  void EntryDone() override { Advanced(1, 0, 0); }

  // Replay: Progress per entry of the container being replayed.
  void ItemsAhead(std::uint64_t entries) override { Begin(entries); }
  void Item(const container::ItemReport&) override { Advanced(1, 0, 0); }
  void Warning(const std::string& message) override { port_.ResultsAppendLine(message); }

  void Advanced(std::uint64_t steps, std::uint64_t files, std::uint64_t bytes) override {
    if (files > 0) {
      c_.extracted_files_ += files;
      c_.extracted_bytes_ += bytes;
      port_.SetExtracted("Extracted: " + std::to_string(c_.extracted_files_));
    }
    done_ += steps;
    if (steps > 0 && entries_ > 0) port_.SetProgress(static_cast<int>(std::min(done_, entries_) * 100 / entries_));
  }

 private:
  void Begin(std::uint64_t entries) {
    entries_ = entries;
    done_ = 0;
    port_.SetProgress(0);
  }
  RunController& c_;
  WindowPort& port_;
  std::uint64_t entries_ = 0;
  std::uint64_t done_ = 0;
};

RunController::RunController(WindowPort& port, WindowState& state, RunExecutor& executor)
    : port_(port), state_(state), executor_(executor), updates_(std::make_unique<Updates>(*this)) {}

RunController::~RunController() = default;

void RunController::Process() {
  if (state_.running || port_.ListCount() == 0) return;
  port_.ResultsClear();
  state_.run.manifest.Clear();
  stop_requested_ = false;
  extracted_bytes_ = 0;
  extracted_files_ = 0;
  std::error_code ec;
  state_.run.output_folder = std::filesystem::current_path(ec).string();
  std::string chosen;
  if (!port_.SelectFolder(state_.run.output_folder, chosen)) {
    ShowCompletion();
    return;
  }
  state_.run.output_folder = chosen;
  if (::chdir(chosen.c_str()) != 0) {
    // Not reported here: the first write into the folder fails with its error.
  }
  port_.SetTotal(0);

  std::vector<std::string> inputs;
  for (int i = 0; i < port_.ListCount(); ++i) inputs.push_back(port_.ListItem(i));
  saved_buttons_.clear();
  for (Button b : {Button::kAddLog, Button::kSaveList, Button::kRemLog, Button::kClearAll, Button::kProcess}) {
    saved_buttons_.emplace_back(b, port_.IsEnabled(b));
    port_.SetEnabled(b, false);
  }
  state_.running = true;
  const manifest::FormatCode mode = state_.input_mode;
  RunContext& ctx = state_.run;
  executor_.Start([mode, inputs, &ctx](RunListener& listener) { return ProcessInputs(mode, inputs, ctx, listener); },
                  *updates_,
                  [this, n = inputs.size()](const RunResult* result, std::exception_ptr error) {
                    Finish(result, error, n);
                  });
}

void RunController::Finish(const RunResult* result, std::exception_ptr error, std::size_t inputs) {
  state_.running = false;
  for (auto [b, on] : saved_buttons_) port_.SetEnabled(b, on);
  port_.SetEnabled(Button::kStop, false);
  if (error) {
    std::string message = "Unknown error";
    try {
      std::rethrow_exception(error);
    } catch (const std::exception& e) {
      message = e.what();
    } catch (...) {
    }
    port_.ResultsAppendLine(message);
    port_.ErrorBox(message);
  } else {
    if (result->stopped) {
      port_.ResultsAppendLine("Stopped after " + std::to_string(result->done) + " of " + std::to_string(inputs) +
                              " inputs.");
    }
    port_.SetCurrentMessage("");
    port_.SetExtracted("");
    port_.SetProgress(0);
    port_.SetTotal(0);
    ShowCompletion();
  }
  // The run's own lines (totals, warnings, the error) can be saved too.
  if (port_.ResultsLineCount() > 0) port_.SetEnabled(Button::kSaveLog, true);
  if (quit_after_run_) port_.Quit();
}

void RunController::ShowCompletion() {
  if (extracted_bytes_ != 0) {
    port_.ResultsAppendLine("Total " + std::to_string(extracted_bytes_) + " bytes extracted.");
  }
  port_.InfoBox(kCompleteText, kCompleteCaption);
}

void RunController::Stop() {
  stop_requested_ = true;
  port_.SetEnabled(Button::kStop, false);
}

void RunController::SaveResults() {
  std::string path;
  if (!port_.SelectResultsTarget(path)) return;
  try {
    const std::string rtf = PlainTextToRtf(port_.ResultsText());
    FileStream out = FileStream::Create(path);
    out.Write(rtf.data(), rtf.size());
  } catch (const Error& e) {
    port_.ErrorBox(e.what());
    return;
  }
  port_.InfoBox(FileNamePart(path), kSavedCaption);
  port_.SetEnabled(Button::kSaveLog, false);
}

bool RunController::CloseRequested() {
  if (!state_.running) return true;
  if (port_.AskYesNo("A run is in progress. Stop it and quit?", "Extract\\Insert Tool")) {
    stop_requested_ = true;
    quit_after_run_ = true;
    port_.SetEnabled(Button::kStop, false);
  }
  return false;
}

}  // namespace omf::app
