// Container rebuild: a new container with the source's header block,
// directory entries and auxiliary items, every item laid out afresh with
// the block writer and free to change its length.
//
// Layout of the result: header block; the items in directory order, packed
// (record 24 + data header 12 + data, head length 36); the directory; the
// root group (descriptor header 12, its body 8, root record 32); the item
// of AuxOffsetB; the item of AuxOffsetA. The last four begin at block
// starts and the file is a whole number of blocks.
//
// An item whose line names an existing file takes that file's bytes with
// every 0xD0 stored as 0x50 and one 0 byte added when the last byte is not
// 0 (an empty file is stored as a single 0 byte); otherwise the item keeps
// its data from the source.
//
// The result is streamed to a temporary file beside the target and renamed
// over it only when complete; on any error no file is left and the source
// is never written. Only the directory is held in memory.
#pragma once

#include <cstdint>
#include <string>

#include "container/container_file.h"
#include "container/replay_report.h"
#include "platform/line_list.h"

namespace omf::container {

// Smallest BlockSize the rebuild accepts: the 52-byte root group must fit
// one block's payload.
inline constexpr std::uint32_t kMinRebuildBlockSize = 60;

struct RebuildResult {
  std::int32_t next_line = 0;
  std::uint32_t from_file = 0;
  std::uint32_t kept = 0;
};

// Reads `source` (any open mode), takes one line per directory entry from
// `first_line` on and writes the new container to `target_path`.
//
// Errors, all raised before the target is touched: a BlockSize below 60 or
// an item whose type is not 2 ("Cannot rebuild ..."), "List index out of
// bounds (%d)", CorruptContainer; then "Cannot open file %s" for an item
// file, "Cannot create file %s" for the target (also when it is the source
// itself), "Stream read error", "Stream write error".
RebuildResult RebuildContainer(ContainerFile& source, const std::string& target_path,
                               const LineList& lines, std::int32_t first_line, ReplayObserver& observer,
                               const ReplayOptions& options = {});

}  // namespace omf::container
