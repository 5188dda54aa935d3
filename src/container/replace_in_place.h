// In-place item replacement: item files written back into the chains where
// the items' old data lies, for items of type 25 and 90.
//
// Of an item only the data header's BodySize (new length + 12), DataSize
// (new length) and the data bytes change; links, records and the file's
// size stay as they are. An item file longer than the item's current
// DataSize does not fit its chain: it is refused before any byte of that
// item is written, with a warning, and the walk goes on.
#pragma once

#include <cstdint>

#include "container/container_file.h"
#include "container/replay_report.h"
#include "platform/line_list.h"

namespace omf::container {

struct InPlaceResult {
  std::int32_t next_line = 0;  // first line after the item lines consumed
  std::uint32_t replaced = 0;
  std::uint32_t refused = 0;
};

// `file` is open for reading and writing. Takes one line per directory
// entry from `first_line` on; only entries of type 25 or 90 read theirs
// ("NULL" keeps the item, anything else names the item file).
//
// Errors: "List index out of bounds (%d)", "Cannot open file %s" for an
// item file, CorruptContainer (the directory is checked before anything
// is written, each item's chain before that item is written).
InPlaceResult ReplaceItemsInPlace(ContainerFile& file, const LineList& lines, std::int32_t first_line,
                                  ReplayObserver& observer, const ReplayOptions& options = {});

}  // namespace omf::container
