#include "container/block_writer.h"

#include <algorithm>
#include <array>
#include <stdexcept>

#include "container/format.h"
#include "platform/error.h"

namespace omf::container {
namespace {

// Stored offsets and link values are 32-bit words.
std::uint32_t Word(std::uint64_t value) {
  if (value > 0xFFFFFFFFu) {
    throw Error("The rebuilt container would pass the 4 GiB that its 32-bit offsets can address");
  }
  return static_cast<std::uint32_t>(value);
}

}  // namespace

BlockWriter::BlockWriter(FileStream& out, std::uint32_t block_size, std::uint64_t position)
    : writer_(out), b_(block_size), pos_(position) {}

std::uint64_t BlockWriter::NextRunStart(std::int32_t head_length) const {
  std::uint64_t p = pos_;
  const std::uint64_t next_start = (p / b_ + 1) * b_;
  if (head_length != kNoHead && p + static_cast<std::uint64_t>(head_length) > next_start) p = next_start;
  if (p % b_ == 0) p += BlockLink::kEncodedSize;
  return p - b_;
}

void BlockWriter::BeginRun(std::uint64_t count, std::int32_t head_length, bool closing) {
  if (in_run_) throw std::logic_error("BlockWriter: run begun inside a run");
  const std::uint64_t next_start = (pos_ / b_ + 1) * b_;
  if (head_length != kNoHead && pos_ + static_cast<std::uint64_t>(head_length) > next_start) {
    Zeros(next_start - pos_);
  }
  room_ = (pos_ / b_ + 1) * b_ - pos_;
  remaining_ = count;
  closing_ = closing;
  piece_left_ = 0;
  in_run_ = true;
}

void BlockWriter::StartPiece() {
  const std::uint64_t payload = b_ - BlockLink::kEncodedSize;
  const bool at_block_start = room_ == b_;
  const std::uint64_t piece = std::min(remaining_, at_block_start ? payload : room_);
  remaining_ -= piece;
  std::uint64_t emit = room_;
  if (at_block_start) {
    const std::uint64_t block_pos = pos_;
    BlockLink link;
    if (remaining_ == 0 && closing_) {
      link.used_end = Word(block_pos - b_ + BlockLink::kEncodedSize + piece);
      link.next_link = 0;
    } else {
      link.used_end = Word(block_pos);
      link.next_link = Word(block_pos + BlockLink::kEncodedSize);
      if (remaining_ == 0) emit = piece + BlockLink::kEncodedSize;  // left open
    }
    std::array<unsigned char, BlockLink::kEncodedSize> raw{};
    link.EncodeTo(raw.data());
    Emit(raw.data(), raw.size());
    emit -= BlockLink::kEncodedSize;
  }
  piece_left_ = piece;
  pad_after_ = emit - piece;
}

void BlockWriter::Put(const unsigned char* data, std::size_t n) {
  while (n > 0) {
    if (piece_left_ == 0) {
      if (!in_run_ || remaining_ == 0) throw std::logic_error("BlockWriter: more bytes than the run holds");
      StartPiece();
    }
    const auto take = static_cast<std::size_t>(std::min<std::uint64_t>(n, piece_left_));
    Emit(data, take);
    data += take;
    n -= take;
    piece_left_ -= take;
    if (piece_left_ == 0) {
      Zeros(pad_after_);
      room_ = b_;
    }
  }
}

void BlockWriter::EndRun() {
  if (!in_run_ || remaining_ != 0 || piece_left_ != 0) {
    throw std::logic_error("BlockWriter: run ended before all its bytes arrived");
  }
  in_run_ = false;
}

void BlockWriter::PutRaw(const unsigned char* data, std::size_t n) {
  if (in_run_) throw std::logic_error("BlockWriter: raw bytes inside a run");
  Emit(data, n);
}

void BlockWriter::Zeros(std::uint64_t n) {
  static constexpr std::array<unsigned char, 4096> kZeros{};
  while (n > 0) {
    const auto take = static_cast<std::size_t>(std::min<std::uint64_t>(n, kZeros.size()));
    Emit(kZeros.data(), take);
    n -= take;
  }
}

void BlockWriter::Emit(const unsigned char* data, std::size_t n) {
  writer_.Append(data, n);
  pos_ += n;
}

}  // namespace omf::container
