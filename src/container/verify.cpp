#include "container/verify.h"

#include "container/chain.h"
#include "container/directory_walk.h"
#include "container/item_road.h"

namespace omf::container {

ContainerSummary VerifyContainer(ContainerFile& file, bool include_aux) {
  ContainerSummary summary;
  DirectoryWalk walk(file);
  DirectoryEntry entry;
  while (walk.Next(entry)) {
    ++summary.entries;
    const std::string what = DescribeEntry(walk.Index(), entry);
    const ItemLocation loc = LocateItem(file, entry, what);
    if (loc.kind == ItemKind::kNoData) continue;
    ++summary.data_items;
    summary.data_bytes += loc.data_size;
    auto cursor = ChainCursor::StartRun(loc.run_start, file.BlockSize());
    SkipChained(file, cursor, loc.data_size, what + ": data");
  }
  if (include_aux) {
    const auto& header = file.Header();
    for (auto [offset, name] : {std::pair{header.aux_offset_a, "AuxOffsetA item"},
                                std::pair{header.aux_offset_b, "AuxOffsetB item"}}) {
      const std::uint64_t pos = file.Locate(offset, name);
      const auto aux = file.ReadRecord<ItemHeader>(pos, std::string(name) + " header");
      auto cursor = ChainCursor::StartRun(pos + ItemHeader::kEncodedSize, file.BlockSize());
      SkipChained(file, cursor, aux.body_size, std::string(name) + " body");
    }
  }
  return summary;
}

}  // namespace omf::container
