// The progress line `omf extract` keeps on a terminal's stderr.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

#include "app/container_run.h"

namespace omf::cli {

class ProgressLine : public app::ContainerRunListener {
 public:
  // Draws only when `enabled` (stderr is a terminal).
  explicit ProgressLine(bool enabled) : enabled_(enabled) {}
  ~ProgressLine() override { Clear(); }

  void ContainerStarted(std::size_t index, std::size_t count, const std::string& path) override;
  void ContainerFailed(const std::string& path, const std::string& message) override;
  void ExtractionStarted(std::uint64_t entries, std::uint64_t data_bytes) override;
  void ItemWritten(const std::string& path, std::uint64_t bytes) override;
  void EntryDone() override;

  // Erases the line so that following output starts clean.
  void Clear();

 private:
  void Draw(bool force);

  bool enabled_;
  bool drawn_ = false;
  std::size_t index_ = 0, count_ = 0;
  std::string name_;
  std::uint64_t entries_ = 0, entries_done_ = 0;
  std::uint64_t bytes_total_ = 0, bytes_done_ = 0;
  std::chrono::steady_clock::time_point last_draw_{};
};

}  // namespace omf::cli
