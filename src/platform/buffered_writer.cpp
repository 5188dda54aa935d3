#include "platform/buffered_writer.h"

#include <cstring>

namespace omf {

BufferedWriter::BufferedWriter(FileStream& out, std::size_t capacity)
    : out_(out), buf_(capacity == 0 ? 1 : capacity) {}

void BufferedWriter::Append(const void* data, std::size_t n) {
  appended_ += n;
  const auto* in = static_cast<const unsigned char*>(data);
  if (n >= buf_.size()) {  // large pieces go straight through
    Flush();
    out_.Write(in, n);
    return;
  }
  if (used_ + n > buf_.size()) Flush();
  std::memcpy(buf_.data() + used_, in, n);
  used_ += n;
}

void BufferedWriter::Flush() {
  if (used_ == 0) return;
  out_.Write(buf_.data(), used_);
  used_ = 0;
}

}  // namespace omf
