#include "cli/run_reporter.h"

#include <cstdio>

#include "container/item_file_name.h"
#include "platform/paths.h"

namespace omf::cli {
namespace {

std::string Mebibytes(std::uint64_t bytes) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.1f MiB", static_cast<double>(bytes) / (1024.0 * 1024.0));
  return buf;
}

}  // namespace

void RunReporter::InputStarted(std::size_t index, std::size_t count, const std::string& path) {
  index_ = index;
  count_ = count;
  name_ = FileNamePart(path);
  source_.clear();
  entries_ = entries_done_ = bytes_total_ = bytes_done_ = 0;
  Draw(true);
}

void RunReporter::InputFailed(const std::string&, const std::string& message) {
  Clear();
  std::fprintf(stderr, "%s\n", message.c_str());
}

void RunReporter::ExtractionStarted(std::uint64_t entries, std::uint64_t data_bytes) {
  entries_ = entries;
  bytes_total_ = data_bytes;
  Draw(true);
}

void RunReporter::ItemWritten(const std::string&, std::uint64_t bytes) { bytes_done_ += bytes; }

void RunReporter::EntryDone() {
  ++entries_done_;
  Draw(entries_done_ == entries_);
}

void RunReporter::SourceStarted(const std::string& path, manifest::FormatCode) {
  source_ = FileNamePart(path);
  entries_done_ = 0;
  Draw(true);
}

void RunReporter::Item(const container::ItemReport& r) {
  ++entries_done_;
  if (report_items_) {
    Clear();
    std::printf("%s: entry %u (id %s, type %u): %s", source_.c_str(), r.index,
                container::ItemIdHex(r.item_id).c_str(), r.item_type, container::ActionName(r.action));
    if (r.action != container::ItemAction::kPassedOver) {
      std::printf(", %llu bytes (now %llu)", static_cast<unsigned long long>(r.new_size),
                  static_cast<unsigned long long>(r.old_size));
    }
    if (!r.line.empty() && r.line != "NULL") std::printf(", %s", r.line.c_str());
    std::printf("\n");
  }
  Draw(false);
}

void RunReporter::Warning(const std::string& message) {
  Clear();
  std::fprintf(stderr, "%s\n", message.c_str());
}

void RunReporter::Draw(bool force) {
  if (!progress_) return;
  auto now = std::chrono::steady_clock::now();
  if (!force && now - last_draw_ < std::chrono::milliseconds(100)) return;
  last_draw_ = now;
  if (source_.empty()) {
    std::fprintf(stderr, "\r\033[K[%zu/%zu] %s: items %llu/%llu, %s/%s", index_ + 1, count_, name_.c_str(),
                 static_cast<unsigned long long>(entries_done_), static_cast<unsigned long long>(entries_),
                 Mebibytes(bytes_done_).c_str(), Mebibytes(bytes_total_).c_str());
  } else {
    std::fprintf(stderr, "\r\033[K[%zu/%zu] %s: %s, items %llu", index_ + 1, count_, name_.c_str(),
                 source_.c_str(), static_cast<unsigned long long>(entries_done_));
  }
  std::fflush(stderr);
  drawn_ = true;
}

void RunReporter::Clear() {
  if (drawn_) {
    std::fprintf(stderr, "\r\033[K");
    std::fflush(stderr);
    drawn_ = false;
  }
}

}  // namespace omf::cli
