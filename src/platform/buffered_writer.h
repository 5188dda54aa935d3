// Sequential writer that gathers small pieces into one large buffer, so a
// file assembled from many block payloads costs few system calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/file_stream.h"

namespace omf {

class BufferedWriter {
 public:
  static constexpr std::size_t kDefaultCapacity = 1 << 20;

  explicit BufferedWriter(FileStream& out, std::size_t capacity = kDefaultCapacity);
  BufferedWriter(const BufferedWriter&) = delete;
  BufferedWriter& operator=(const BufferedWriter&) = delete;
  // Unflushed bytes are dropped: a writer destroyed by an error leaves the
  // decision about the half-written file to its owner.
  ~BufferedWriter() = default;

  void Append(const void* data, std::size_t n);
  // Writes what is buffered; raises "Stream write error".
  void Flush();
  std::uint64_t BytesAppended() const { return appended_; }

 private:
  FileStream& out_;
  // Left uninitialised: one writer per item file, and zeroing a large
  // buffer for every small item costs more than writing the item.
  std::size_t capacity_;
  std::unique_ptr<unsigned char[]> buf_;
  std::size_t used_ = 0;
  std::uint64_t appended_ = 0;
};

}  // namespace omf
