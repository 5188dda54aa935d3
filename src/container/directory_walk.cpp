#include "container/directory_walk.h"

#include <array>

namespace omf::container {

DirectoryWalk::DirectoryWalk(ContainerFile& file) : file_(file) {
  const auto& header = file.Header();
  const std::uint64_t root_pos = file.Locate(header.root_offset, "RootOffset");
  const auto root = file.ReadRecord<RootRecord>(root_pos, "root record");
  const std::uint64_t desc_pos = file.Locate(root.descriptor_offset, "DescriptorOffset");
  const auto desc = file.ReadRecord<ItemHeader>(desc_pos, "directory descriptor header");
  const std::uint64_t body_pos = file.Locate(desc.body_offset, "descriptor BodyOffset");
  const auto body = file.ReadRecord<DescriptorBody>(body_pos, "directory descriptor body");
  directory_pos_ = file.Locate(body.directory_offset, "DirectoryOffset");
  file.CheckFixed(directory_pos_, kDirectoryHeadSize, "directory header");
  const auto directory_header = file.ReadRecord<ItemHeader>(directory_pos_, "directory header");
  if (directory_header.body_size < kDirectoryBodyBias) {
    file.Fail("directory BodySize " + std::to_string(directory_header.body_size) +
                  " is below 12",
              directory_pos_ + 4);
  }
  limit_ = directory_header.body_size - kDirectoryBodyBias;
  cursor_ = ChainCursor::StartRun(directory_pos_ + kDirectoryHeadSize, file.BlockSize());
}

bool DirectoryWalk::Next(DirectoryEntry& entry) {
  if (started_) {
    counter_ += DirectoryEntry::kEncodedSize;
    ++index_;
  }
  if (counter_ >= limit_) return false;
  started_ = true;
  struct EntrySink final : ByteSink {
    std::array<unsigned char, DirectoryEntry::kEncodedSize> raw{};
    std::size_t used = 0;
    void Put(const unsigned char* data, std::size_t n) override {
      std::copy(data, data + n, raw.begin() + static_cast<std::ptrdiff_t>(used));
      used += n;
    }
  } sink;
  ReadChained(file_, cursor_, DirectoryEntry::kEncodedSize, sink,
              "directory entry " + std::to_string(index_));
  raw_ = sink.raw;
  entry.DecodeFrom(raw_.data());
  return true;
}

}  // namespace omf::container
