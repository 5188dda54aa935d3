// The chained block writer: lays runs of bytes onto the end of a container
// being built, block by block, each block it begins opening with a
// BlockLink it computes itself.
//
// For a run of `count` bytes at output position p (B = BlockSize):
//  - head rule: when head_length >= 0 and p + head_length passes the next
//    block start, zeros pad up to that block start first;
//  - a piece that begins a block carries the link and up to B - 8 bytes:
//      continued, or last but not closing : UsedEnd = P, NextLink = P + 8
//      last and closing                   : UsedEnd = P - B + 8 + piece,
//                                           NextLink = 0, zeros to the end
//      last, not closing                  : only link + piece are emitted,
//                                           the block stays open
//    (P is the block's file position, which is also the stored offset of
//    the block after it);
//  - a piece that begins inside an (open) block writes no link, fills up
//    to the block end, and a closing last piece pads with zeros.
//
// Runs are streamed: BeginRun announces the length, Put feeds the bytes in
// any slices, EndRun checks that all arrived.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/buffered_writer.h"
#include "platform/file_stream.h"

namespace omf::container {

class BlockWriter {
 public:
  static constexpr std::int32_t kNoHead = -1;

  // Appends to `out` (through a large buffer), whose first `position`
  // bytes are already written.
  BlockWriter(FileStream& out, std::uint32_t block_size, std::uint64_t position);

  std::uint64_t Position() const { return pos_; }
  std::uint32_t BlockSize() const { return b_; }
  // Stored offset at which a run begun now with `head_length` puts its
  // first byte.
  std::uint64_t NextRunStart(std::int32_t head_length) const;

  void BeginRun(std::uint64_t count, std::int32_t head_length, bool closing);
  void Put(const unsigned char* data, std::size_t n);
  void EndRun();

  // Raw bytes (the header block), outside any run.
  void PutRaw(const unsigned char* data, std::size_t n);
  void Flush() { writer_.Flush(); }

 private:
  void StartPiece();
  void Zeros(std::uint64_t n);
  void Emit(const unsigned char* data, std::size_t n);

  BufferedWriter writer_;
  std::uint32_t b_;
  std::uint64_t pos_;
  bool in_run_ = false;
  bool closing_ = false;
  std::uint64_t room_ = 0;       // bytes the next piece may emit
  std::uint64_t remaining_ = 0;  // run bytes not yet assigned to a piece
  std::uint64_t piece_left_ = 0; // bytes of the current piece still to come
  std::uint64_t pad_after_ = 0;  // zeros after the current piece
};

}  // namespace omf::container
