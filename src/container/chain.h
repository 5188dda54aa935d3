// Chained runs: the directory's entries and each item's data.
//
// A run starts at a position inside a payload, fills that payload up to the
// block end and goes on at the NextLink of that block, until its length is
// used up. A run that ends exactly at a block end leaves the cursor waiting
// at that block end; the link is followed when (and only when) more bytes of
// the run are moved. A run whose first byte falls on a block's first byte is
// treated the same way: it starts after the link that the block ending there
// names, which is where the block writer puts it.
//
// Every link is checked before it is followed: NextLink must be non-zero and
// name a payload position inside the file, and one run may not visit more
// blocks than the file holds (a cycle).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "container/container_file.h"

namespace omf::container {

class ChainCursor {
 public:
  // A run whose first byte is at file position `pos`.
  static ChainCursor StartRun(std::uint64_t pos, std::uint32_t block_size) {
    return ChainCursor(pos, pos % block_size == 0);
  }

  std::uint64_t Position() const { return pos_; }
  bool AtBlockEnd() const { return at_block_end_; }

 private:
  ChainCursor(std::uint64_t pos, bool at_block_end) : pos_(pos), at_block_end_(at_block_end) {}
  friend void WalkChain(ContainerFile&, ChainCursor&, std::uint64_t, const std::string&,
                        const std::function<void(std::uint64_t, std::size_t)>&);

  std::uint64_t pos_;
  bool at_block_end_;
  std::uint64_t links_followed_ = 0;
};

// Receives the bytes of a run, in order.
class ByteSink {
 public:
  virtual ~ByteSink() = default;
  virtual void Put(const unsigned char* data, std::size_t n) = 0;
};

// Advances `cursor` over the next `count` bytes of its run, calling
// segment(file position, length) for each piece that lies in one payload,
// after that piece has been checked. A count of 0 does nothing and reads no
// link. `what` names the run in error messages.
void WalkChain(ContainerFile& file, ChainCursor& cursor, std::uint64_t count,
               const std::string& what,
               const std::function<void(std::uint64_t pos, std::size_t len)>& segment);

// Copies the next `count` bytes of the run into `sink`.
void ReadChained(ContainerFile& file, ChainCursor& cursor, std::uint64_t count, ByteSink& sink,
                 const std::string& what);

// Overwrites the next `count` bytes of the run with the next `count` bytes
// of `source` (read sequentially). Check the run first with SkipChained on
// a copy of the cursor: a fault found here may leave part of it written.
void WriteChained(ContainerFile& file, ChainCursor& cursor, std::uint64_t count, FileStream& source,
                  const std::string& what);

// Checks the next `count` bytes of the run (every link it follows) without
// moving data.
void SkipChained(ContainerFile& file, ChainCursor& cursor, std::uint64_t count,
                 const std::string& what);

}  // namespace omf::container
