#include "cli/progress_line.h"

#include <cstdio>
#include <filesystem>

namespace omf::cli {
namespace {

std::string Mebibytes(std::uint64_t bytes) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.1f MiB", static_cast<double>(bytes) / (1024.0 * 1024.0));
  return buf;
}

}  // namespace

void ProgressLine::ContainerStarted(std::size_t index, std::size_t count, const std::string& path) {
  index_ = index;
  count_ = count;
  name_ = std::filesystem::path(path).filename().string();
  entries_ = entries_done_ = bytes_total_ = bytes_done_ = 0;
  Draw(true);
}

void ProgressLine::ContainerFailed(const std::string&, const std::string& message) {
  Clear();
  std::fprintf(stderr, "%s\n", message.c_str());
}

void ProgressLine::ExtractionStarted(std::uint64_t entries, std::uint64_t data_bytes) {
  entries_ = entries;
  bytes_total_ = data_bytes;
  Draw(true);
}

void ProgressLine::ItemWritten(const std::string&, std::uint64_t bytes) { bytes_done_ += bytes; }

void ProgressLine::EntryDone() {
  ++entries_done_;
  Draw(entries_done_ == entries_);
}

void ProgressLine::Draw(bool force) {
  if (!enabled_) return;
  auto now = std::chrono::steady_clock::now();
  if (!force && now - last_draw_ < std::chrono::milliseconds(100)) return;
  last_draw_ = now;
  std::fprintf(stderr, "\r\033[K[%zu/%zu] %s: items %llu/%llu, %s/%s", index_ + 1, count_,
               name_.c_str(), static_cast<unsigned long long>(entries_done_),
               static_cast<unsigned long long>(entries_), Mebibytes(bytes_done_).c_str(),
               Mebibytes(bytes_total_).c_str());
  std::fflush(stderr);
  drawn_ = true;
}

void ProgressLine::Clear() {
  if (drawn_) {
    std::fprintf(stderr, "\r\033[K");
    std::fflush(stderr);
    drawn_ = false;
  }
}

}  // namespace omf::cli
