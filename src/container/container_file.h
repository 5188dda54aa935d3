// An opened OMF container: its header, its geometry and checked access to
// its bytes.
//
// Every position the engine reaches from a stored value is checked here
// before it is used: stored offsets must land inside a payload of the file,
// fixed records must lie whole in one payload. A breach raises
// CorruptContainer naming the container, the fault and the file offset.
//
// Reads go through a small cache of aligned windows, so walking a chain of
// consecutive blocks costs one system call per window rather than one per
// block, and the directory and the item being copied do not evict each
// other. Runs (chains, item data) fill large windows on a miss; a fixed
// record read alone fills a small one, so reading only the records of a
// container's items (a rebuild from item files, a listing) does not read
// all of it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "container/format.h"
#include "platform/file_stream.h"

namespace omf::container {

class ContainerFile {
 public:
  static constexpr std::size_t kWindowSize = 256 * 1024;
  static constexpr std::size_t kRecordWindowSize = 4096;  // for ReadFixed
  static constexpr std::size_t kWindowCount = 4;

  // Opens without sharing and checks the header: the file must hold the
  // header words and one whole block of at least kMinBlockSize bytes.
  // Raises "Cannot open file %s" or CorruptContainer.
  static ContainerFile Open(const std::string& path, OpenMode mode);
  // Adopts an already opened stream (the interpreter's source container).
  static ContainerFile Adopt(FileStream stream);

  ContainerFile(ContainerFile&&) = default;
  ContainerFile& operator=(ContainerFile&&) = default;

  const std::string& Path() const { return stream_.Path(); }
  const ContainerHeader& Header() const { return header_; }
  std::uint32_t BlockSize() const { return header_.block_size; }
  std::uint64_t FileSize() const { return file_size_; }
  // Blocks in the file, a short last block included.
  std::uint64_t BlockCount() const { return block_count_; }

  // File position of a stored offset; it must lie in a payload of the file.
  std::uint64_t Locate(std::uint32_t stored, const std::string& what) const;
  // Checks that [pos, pos + len) lies whole in one payload of the file.
  void CheckFixed(std::uint64_t pos, std::size_t len, const std::string& what) const;
  // CheckFixed, then copies the bytes into `out`.
  void ReadFixed(std::uint64_t pos, unsigned char* out, std::size_t len, const std::string& what);
  template <typename Record>
  Record ReadRecord(std::uint64_t pos, const std::string& what) {
    std::array<unsigned char, Record::kEncodedSize> raw{};
    ReadFixed(pos, raw.data(), raw.size(), what);
    Record r;
    r.DecodeFrom(raw.data());
    return r;
  }

  // The BlockLink at the start of the chain block that begins at
  // `block_start` (a multiple of BlockSize, at least one block in).
  BlockLink ReadLink(std::uint64_t block_start);

  // Up to max_len bytes at pos, contiguous in the cache (at least one byte
  // when pos < FileSize()). The view is valid until the next read.
  std::span<const unsigned char> View(std::uint64_t pos, std::size_t max_len);
  // Writes through to the file and keeps the cache coherent.
  void WriteAt(std::uint64_t pos, const unsigned char* data, std::size_t len);

  [[noreturn]] void Fail(const std::string& what, std::uint64_t offset) const;

  FileStream& Stream() { return stream_; }

 private:
  explicit ContainerFile(FileStream stream);
  // View, reading the aligned `window` bytes around pos on a miss.
  std::span<const unsigned char> ViewThrough(std::uint64_t pos, std::size_t max_len, std::size_t window);
  // Copies bytes known to lie inside the file.
  void CopyOut(std::uint64_t pos, unsigned char* out, std::size_t len, std::size_t window);

  struct Window {
    std::uint64_t start = 0;
    std::size_t len = 0;
    std::uint64_t last_use = 0;
    std::vector<unsigned char> bytes;
  };

  FileStream stream_;
  ContainerHeader header_;
  std::uint64_t file_size_ = 0;
  std::uint64_t block_count_ = 0;
  std::array<Window, kWindowCount> windows_;
  std::uint64_t clock_ = 0;
};

}  // namespace omf::container
