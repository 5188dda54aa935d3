// Test-only: lays out OMF containers in memory.
//
// ContainerImage is the raw block array with word and link helpers. Layout
// packs fixed groups and chained runs into blocks the way the block writer
// does: a fixed group that does not fit the rest of the current payload
// goes to a new block, a run fills payloads to their end and goes on in new
// blocks, and every block left for a new one links to it (UsedEnd = block
// end, NextLink = new block + 8). New blocks come in file order, or, with
// `scatter`, from a pool handed out in a shuffled order so that chains jump
// back and forth through the file.
//
// ContainerBuilder puts a whole container together: header, root record,
// directory descriptor, two auxiliary items, the items, then the directory.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace omf::testing {

using Bytes = std::vector<unsigned char>;

Bytes PatternBytes(std::size_t n, std::uint32_t seed);

class ContainerImage {
 public:
  explicit ContainerImage(std::uint32_t block_size);

  std::uint32_t B() const { return b_; }
  Bytes& bytes() { return bytes_; }
  const Bytes& bytes() const { return bytes_; }

  std::uint32_t AppendBlock();  // zeroed; returns its index
  std::uint32_t BlockCount() const { return static_cast<std::uint32_t>(bytes_.size() / b_); }
  std::uint32_t Stored(std::uint64_t pos) const { return static_cast<std::uint32_t>(pos - b_); }
  void Put32(std::uint64_t pos, std::uint32_t v);
  std::uint32_t Get32(std::uint64_t pos) const;
  void SetLink(std::uint32_t block, std::uint32_t used_end, std::uint32_t next_link);
  void WriteTo(const std::string& path) const;

 private:
  std::uint32_t b_;
  Bytes bytes_;
};

class Layout {
 public:
  Layout(ContainerImage& image, bool scatter, std::uint32_t seed = 1);

  std::uint64_t Cursor() const { return cursor_; }
  // Places a fixed group of len bytes; returns its position.
  std::uint64_t Fixed(std::size_t len);
  // Places a chained run; returns its first byte's position (after the link
  // of a new block when the cursor stands at a block end).
  std::uint64_t Run(const Bytes& data);
  // Advances the cursor until it stands `in_block` bytes into a block
  // (8 <= in_block <= B; B means "at the block end").
  void PadTo(std::uint32_t in_block);
  // Closes the last block: UsedEnd at the cursor, NextLink 0.
  void Finish();

 private:
  void MoveToNewBlock();

  ContainerImage& image_;
  std::vector<std::uint32_t> pool_;
  std::uint64_t cursor_;
  std::uint32_t block_;
};

struct TestItem {
  std::uint32_t id = 0;
  std::uint32_t type = 2;
  Bytes data;
  // Pad so that the item record starts this many bytes into its block.
  std::optional<std::uint32_t> start_in_block;
};

struct BuildOptions {
  std::uint32_t block_size = 512;
  bool scatter = false;
  std::uint32_t seed = 1;
  // Pad so that the directory header starts this many bytes into its block.
  std::optional<std::uint32_t> directory_start_in_block;
  Bytes aux_a = PatternBytes(100, 0xA);
  Bytes aux_b = PatternBytes(700, 0xB);
};

struct BuiltContainer {
  explicit BuiltContainer(std::uint32_t block_size) : image(block_size) {}

  ContainerImage image;
  std::uint64_t root_pos = 0;
  std::uint64_t descriptor_pos = 0;
  std::uint64_t directory_pos = 0;
  std::uint64_t aux_a_pos = 0;
  std::uint64_t aux_b_pos = 0;
  std::vector<std::uint64_t> item_pos;         // item record of each item
  std::vector<std::uint64_t> data_header_pos;  // 0 for types without data
  std::uint64_t first_entry_pos = 0;           // first byte of the entries' run
};

BuiltContainer BuildContainer(const std::vector<TestItem>& items, const BuildOptions& options = {});

}  // namespace omf::testing
