#include "platform/buffered_writer.h"

#include <cstring>

namespace omf {

BufferedWriter::BufferedWriter(FileStream& out, std::size_t capacity)
    : out_(out),
      capacity_(capacity == 0 ? 1 : capacity),
      buf_(std::make_unique_for_overwrite<unsigned char[]>(capacity_)) {}

void BufferedWriter::Append(const void* data, std::size_t n) {
  appended_ += n;
  const auto* in = static_cast<const unsigned char*>(data);
  if (n >= capacity_) {  // large pieces go straight through
    Flush();
    out_.Write(in, n);
    return;
  }
  if (used_ + n > capacity_) Flush();
  std::memcpy(buf_.get() + used_, in, n);
  used_ += n;
}

void BufferedWriter::Flush() {
  if (used_ == 0) return;
  out_.Write(buf_.get(), used_);
  used_ = 0;
}

}  // namespace omf
