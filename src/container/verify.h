// Checking a whole container before anything is written from it.
#pragma once

#include <cstdint>

#include "container/container_file.h"

namespace omf::container {

struct ContainerSummary {
  std::uint64_t entries = 0;          // directory entries walked
  std::uint64_t data_items = 0;       // entries of type 2, 25 or 90
  std::uint64_t data_bytes = 0;       // their DataSize, added up
};

// Follows everything extraction reads: the road to the directory, every
// entry, every item record and data header, and every data chain to its
// end. With `include_aux` also the two auxiliary items (header at
// AuxOffsetA / AuxOffsetB, body as the chained run that follows it).
// Raises CorruptContainer at the first fault.
ContainerSummary VerifyContainer(ContainerFile& file, bool include_aux);

}  // namespace omf::container
