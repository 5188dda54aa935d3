#include "container/container_file.h"

#include <algorithm>
#include <cstring>

#include "container/corrupt.h"

namespace omf::container {

ContainerFile ContainerFile::Open(const std::string& path, OpenMode mode) {
  return ContainerFile(FileStream::Open(path, mode));
}

ContainerFile ContainerFile::Adopt(FileStream stream) { return ContainerFile(std::move(stream)); }

ContainerFile::ContainerFile(FileStream stream) : stream_(std::move(stream)) {
  file_size_ = stream_.Size();
  if (file_size_ < ContainerHeader::kEncodedSize) {
    Fail("file of " + std::to_string(file_size_) + " bytes is too short for a container header",
         file_size_);
  }
  std::array<unsigned char, ContainerHeader::kEncodedSize> raw{};
  if (stream_.ReadAt(0, raw.data(), raw.size()) != raw.size()) Fail("short header read", 0);
  header_.DecodeFrom(raw.data());
  const std::uint32_t b = header_.block_size;
  if (b < kMinBlockSize) {
    Fail("BlockSize " + std::to_string(b) + " is below the minimum of " +
             std::to_string(kMinBlockSize),
         ContainerHeader::kBlockSizePos);
  }
  if (file_size_ < b) {
    Fail("file of " + std::to_string(file_size_) + " bytes is shorter than one block of " +
             std::to_string(b),
         file_size_);
  }
  block_count_ = (file_size_ + b - 1) / b;
}

std::uint64_t ContainerFile::Locate(std::uint32_t stored, const std::string& what) const {
  const std::uint64_t b = BlockSize();
  const std::uint64_t pos = std::uint64_t{stored} + b;  // 64-bit: never wraps into block 0
  if (pos >= file_size_) {
    Fail(what + ": stored offset " + std::to_string(stored) + " lies past the end of the file",
         pos);
  }
  if (pos % b < BlockLink::kEncodedSize) {
    Fail(what + ": stored offset " + std::to_string(stored) + " lies inside a block link", pos);
  }
  return pos;
}

void ContainerFile::CheckFixed(std::uint64_t pos, std::size_t len, const std::string& what) const {
  const std::uint64_t b = BlockSize();
  const std::uint64_t in_block = pos % b;
  if (pos < b || in_block < BlockLink::kEncodedSize) {
    Fail(what + " lies inside a block link", pos);
  }
  if (in_block + len > b) {
    Fail(what + " (" + std::to_string(len) + " bytes) crosses the end of block " +
             std::to_string(pos / b),
         pos);
  }
  if (pos + len > file_size_) {
    Fail(what + " (" + std::to_string(len) + " bytes) runs past the end of the file", pos);
  }
}

void ContainerFile::ReadFixed(std::uint64_t pos, unsigned char* out, std::size_t len,
                              const std::string& what) {
  CheckFixed(pos, len, what);
  CopyOut(pos, out, len, kRecordWindowSize);
}

void ContainerFile::CopyOut(std::uint64_t pos, unsigned char* out, std::size_t len, std::size_t window) {
  while (len > 0) {
    auto piece = ViewThrough(pos, len, window);
    std::memcpy(out, piece.data(), piece.size());
    out += piece.size();
    pos += piece.size();
    len -= piece.size();
  }
}

BlockLink ContainerFile::ReadLink(std::uint64_t block_start) {
  if (block_start < BlockSize() || block_start % BlockSize() != 0 ||
      block_start + BlockLink::kEncodedSize > file_size_) {
    Fail("block link outside the chain blocks of the file", block_start);
  }
  std::array<unsigned char, BlockLink::kEncodedSize> raw{};
  CopyOut(block_start, raw.data(), raw.size(), kWindowSize);  // links come in chains
  BlockLink link;
  link.DecodeFrom(raw.data());
  return link;
}

std::span<const unsigned char> ContainerFile::View(std::uint64_t pos, std::size_t max_len) {
  return ViewThrough(pos, max_len, kWindowSize);
}

std::span<const unsigned char> ContainerFile::ViewThrough(std::uint64_t pos, std::size_t max_len,
                                                          std::size_t window) {
  ++clock_;
  Window* hit = nullptr;
  for (auto& w : windows_) {
    if (w.len > 0 && pos >= w.start && pos < w.start + w.len) {
      hit = &w;
      break;
    }
  }
  if (hit == nullptr) {
    hit = &*std::min_element(windows_.begin(), windows_.end(),
                             [](const Window& a, const Window& b) { return a.last_use < b.last_use; });
    if (pos >= file_size_) throw StreamReadError();
    hit->start = pos - pos % window;
    auto want = static_cast<std::size_t>(std::min<std::uint64_t>(window, file_size_ - hit->start));
    hit->bytes.resize(kWindowSize);  // every window can take a large read
    hit->len = 0;
    std::size_t got = stream_.ReadAt(hit->start, hit->bytes.data(), want);
    if (got <= pos - hit->start) throw StreamReadError();  // the file shrank under us
    hit->len = got;
  }
  hit->last_use = clock_;
  const std::size_t off = static_cast<std::size_t>(pos - hit->start);
  return {hit->bytes.data() + off, std::min(max_len, hit->len - off)};
}

void ContainerFile::WriteAt(std::uint64_t pos, const unsigned char* data, std::size_t len) {
  stream_.WriteAt(pos, data, len);
  for (auto& w : windows_) {
    const std::uint64_t lo = std::max(pos, w.start);
    const std::uint64_t hi = std::min(pos + len, w.start + w.len);
    if (w.len > 0 && lo < hi) {
      std::memcpy(w.bytes.data() + (lo - w.start), data + (lo - pos), static_cast<std::size_t>(hi - lo));
    }
  }
}

void ContainerFile::Fail(const std::string& what, std::uint64_t offset) const {
  throw CorruptContainer(Path(), what, offset);
}

}  // namespace omf::container
