// What the two replay routes tell about each item they pass.
#pragma once

#include <cstdint>
#include <string>

#include "platform/interrupt.h"

namespace omf::container {

enum class ItemAction {
  kReplaced,     // in place: the item file's bytes went into the item's chain
  kKept,         // in place: the line is "NULL"; rebuild: no file matches the line
  kRefused,      // in place: the item file is longer than the item's data
  kPassedOver,   // in place: a type the route does not handle
  kFromFile,     // rebuild: the item takes the item file's bytes
};

struct ItemReport {
  std::uint32_t index = 0;    // directory entry
  std::uint32_t item_id = 0;
  std::uint32_t item_type = 0;
  ItemAction action = ItemAction::kKept;
  std::string line;           // the item line, when it was read
  std::uint64_t old_size = 0; // DataSize before
  std::uint64_t new_size = 0; // DataSize after (or that it would have)
};

class ReplayObserver {
 public:
  virtual ~ReplayObserver() = default;
  // A container's replay begins: this many entries will be reported.
  virtual void ItemsAhead(std::uint64_t /*entries*/) {}
  virtual void Item(const ItemReport& /*report*/) {}
  // A refused item, with the reason; the run goes on.
  virtual void Warning(const std::string& /*message*/) {}
};

struct ReplayOptions {
  // Walk and report, write nothing.
  bool dry_run = false;
  // In place: copy the container to <name>.bak before its first write.
  bool backup = false;
  // Checked before each item; the work stops there with Interrupted.
  const InterruptFlag* interrupt = nullptr;
};

const char* ActionName(ItemAction action);

}  // namespace omf::container
