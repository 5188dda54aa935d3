// The directory walk: from the header to the directory and over its entries.
//
//   RootOffset -> RootRecord -> descriptor ItemHeader -> descriptor body
//   -> directory ItemHeader + 12 bytes -> entries, one chained run
//
// The walk reads an entry while counter < BodySize - 12, the counter
// starting at 12 and growing by 48: BodySize = 12 + 48 n gives n entries,
// a BodySize of 12 to 24 none. A BodySize below 12 is refused.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "container/chain.h"
#include "container/container_file.h"
#include "container/format.h"

namespace omf::container {

class DirectoryWalk {
 public:
  // Follows the road to the directory; the first entry is not read yet.
  explicit DirectoryWalk(ContainerFile& file);

  // Reads the next entry; false when the walk is over.
  bool Next(DirectoryEntry& entry);

  // The 48 bytes of the entry last returned by Next, as stored.
  const std::array<unsigned char, DirectoryEntry::kEncodedSize>& RawEntry() const { return raw_; }
  // Index of the entry last returned by Next.
  std::uint32_t Index() const { return index_; }
  std::uint64_t DirectoryPos() const { return directory_pos_; }

 private:
  ContainerFile& file_;
  std::uint64_t directory_pos_ = 0;
  std::uint32_t limit_ = 0;
  std::uint64_t counter_ = kDirectoryBodyBias;  // 64-bit: never wraps
  std::uint32_t index_ = 0;
  bool started_ = false;
  ChainCursor cursor_ = ChainCursor::StartRun(0, 1);
  std::array<unsigned char, DirectoryEntry::kEncodedSize> raw_{};
};

}  // namespace omf::container
