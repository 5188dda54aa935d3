// Item extraction: every item of a container to an item file, and one
// manifest line per directory entry.
#pragma once

#include <cstdint>
#include <string>

#include "platform/interrupt.h"
#include "platform/line_list.h"

namespace omf::container {

// Told about each entry as extraction passes it (progress, counters).
class ExtractObserver {
 public:
  virtual ~ExtractObserver() = default;
  // Called once the container has been checked, before the first entry.
  virtual void ExtractionStarted(std::uint64_t /*entries*/, std::uint64_t /*data_bytes*/) {}
  // An item file was written completely.
  virtual void ItemWritten(const std::string& /*path*/, std::uint64_t /*bytes*/) {}
  // An entry was passed ("NULL" or written).
  virtual void EntryDone() {}
};

struct ExtractResult {
  std::uint64_t entries = 0;
  std::uint64_t files = 0;
  std::uint64_t bytes = 0;
};

// Opens the container read-only and without sharing, checks all of it, then
// writes each item of type 2, 25 or 90 to ItemFilePath(output_folder, id)
// (replacing a file of that name) and appends its path to `manifest`; every
// other type appends "NULL". Lines go in walk order, one per entry.
//
// Errors: "Cannot open file %s" for the container, CorruptContainer before
// any file is written, "Cannot create file %s" for an item file, "Stream
// write error". On an error the lines appended so far stay in `manifest`,
// and a half-written item file is removed.
// `interrupt` is checked before each entry (Interrupted).
ExtractResult ExtractItems(const std::string& container_path, const std::string& output_folder,
                           LineList& manifest, ExtractObserver* observer = nullptr,
                           const InterruptFlag* interrupt = nullptr);

}  // namespace omf::container
