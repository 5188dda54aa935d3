// How `omf` reports a run: a progress line on a terminal's stderr,
// warnings and failures on stderr, and the item report of a dry run on
// stdout.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

#include "app/processing_run.h"

namespace omf::cli {

class RunReporter : public app::RunListener {
 public:
  // `progress`: draw the progress line (stderr is a terminal).
  // `report_items`: print one line per item replayed (dry run).
  RunReporter(bool progress, bool report_items) : progress_(progress), report_items_(report_items) {}
  ~RunReporter() override { Clear(); }

  void InputStarted(std::size_t index, std::size_t count, const std::string& path) override;
  void InputFailed(const std::string& path, const std::string& message) override;
  void ExtractionStarted(std::uint64_t entries, std::uint64_t data_bytes) override;
  void ItemWritten(const std::string& path, std::uint64_t bytes) override;
  void EntryDone() override;
  void SourceStarted(const std::string& path, manifest::FormatCode route) override;
  void Item(const container::ItemReport& report) override;
  void Warning(const std::string& message) override;

  // Erases the progress line so that following output starts clean.
  void Clear();

 private:
  void Draw(bool force);

  bool progress_;
  bool report_items_;
  bool drawn_ = false;
  std::size_t index_ = 0, count_ = 0;
  std::string name_;
  std::string source_;
  std::uint64_t entries_ = 0, entries_done_ = 0;
  std::uint64_t bytes_total_ = 0, bytes_done_ = 0;
  std::chrono::steady_clock::time_point last_draw_{};
};

}  // namespace omf::cli
