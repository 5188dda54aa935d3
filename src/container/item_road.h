// The item road: from a DirectoryEntry to the start of the item's data.
//
//   type 2     : [ItemHeader 12][type][DataSize][DataOffset]  (24, one group)
//                DataOffset -> [data header 12] data run
//   type 25/90 : [ItemHeader 12][type][DataOffset]            (20, one group)
//                DataOffset -> [data header 12][4][word][DataSize] data run
//                               (24, one group)
//   other      : [ItemHeader 12][type]                        (16), no data
//
// Each group is checked as a fixed record before it is read; the item record
// and its data header are checked separately.
#pragma once

#include <cstdint>
#include <string>

#include "container/container_file.h"
#include "container/format.h"

namespace omf::container {

enum class ItemKind {
  kNoData,  // any type but 2, 25 and 90
  kPlain,   // type 2
  kSized,   // type 25 or 90
};

struct ItemLocation {
  std::uint64_t item_pos = 0;
  ItemHeader header;
  std::uint32_t type = 0;  // as stored
  ItemKind kind = ItemKind::kNoData;
  // Only for kPlain and kSized:
  std::uint32_t data_size = 0;
  std::uint64_t data_header_pos = 0;
  std::uint64_t run_start = 0;  // file position of the data run's first byte
};

ItemKind KindOf(std::uint32_t item_type);

// Which types an operation follows to their data. In-place replacement
// handles 25 and 90 only: a type 2 item is read no further than its type.
enum class ItemRoad {
  kAllDataTypes,  // 2, 25, 90
  kSizedOnly,     // 25, 90
};

// Reads the item record (and, for types with data, the data header group).
// `what` names the entry in error messages.
ItemLocation LocateItem(ContainerFile& file, const DirectoryEntry& entry, const std::string& what,
                        ItemRoad road = ItemRoad::kAllDataTypes);

// "item <index> (id <HEX>)" for error messages.
std::string DescribeEntry(std::uint32_t index, const DirectoryEntry& entry);

}  // namespace omf::container
