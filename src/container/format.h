// OMF container: byte layout and on-disk records.
//
// A container is a sequence of blocks of BlockSize (B) bytes. Block 0 holds
// the ContainerHeader; every later block starts with an 8-byte BlockLink and
// carries B - 8 payload bytes. All fields are 32-bit little-endian words.
//
// A stored offset X names file position X + B (offsets count from the first
// byte of block 1).
//
//   block 0   : ContainerHeader words at file positions 4, 8, 20, 24, 28
//   block k>0 : BlockLink {UsedEnd, NextLink} | payload
//
// The road to the items:
//   header.RootOffset -> RootRecord (32) .DescriptorOffset
//     -> ItemHeader (12) of the directory descriptor, .BodyOffset
//     -> descriptor body (8): type word, DirectoryOffset
//     -> directory ItemHeader (12) + 12 uninterpreted bytes
//     -> chained run of DirectoryEntry (48) records, BodySize = 12 + 48 n
//   DirectoryEntry.ItemOffset -> item ItemHeader (12), ItemType (4), then
//     type 2     : DataSize, DataOffset -> data header (12), data run
//     type 25/90 : DataOffset -> data header (12), 4 bytes, word, DataSize,
//                  data run at data header + 24
//
// Fixed records lie whole inside one block's payload; directory entries and
// item data are chained runs that fill a payload to its block end and go on
// at that block's NextLink.
#pragma once

#include <cstddef>
#include <cstdint>

namespace omf::container {

inline std::uint32_t DecodeWord(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

inline void EncodeWord(unsigned char* p, std::uint32_t v) {
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
  p[2] = static_cast<unsigned char>(v >> 16);
  p[3] = static_cast<unsigned char>(v >> 24);
}

// Smallest BlockSize accepted: a BlockLink plus the largest fixed group the
// readers take from one payload, with room to spare.
inline constexpr std::uint32_t kMinBlockSize = 44;

// Item types the engine understands.
inline constexpr std::uint32_t kItemTypePlain = 2;     // data header at DataOffset, run after it
inline constexpr std::uint32_t kItemTypeSized = 25;    // DataSize inside the data header group
inline constexpr std::uint32_t kItemTypeSizedAlt = 90; // read exactly as 25

struct ContainerHeader {
  static constexpr std::size_t kBlockSizePos = 4;
  static constexpr std::size_t kLastBlockPos = 8;
  static constexpr std::size_t kAuxOffsetAPos = 20;
  static constexpr std::size_t kRootOffsetPos = 24;
  static constexpr std::size_t kAuxOffsetBPos = 28;
  static constexpr std::size_t kEncodedSize = 32;  // bytes of block 0 that hold the words

  std::uint32_t block_size = 0;
  std::uint32_t last_block = 0;
  std::uint32_t aux_offset_a = 0;
  std::uint32_t root_offset = 0;
  std::uint32_t aux_offset_b = 0;

  void DecodeFrom(const unsigned char* p) {
    block_size = DecodeWord(p + kBlockSizePos);
    last_block = DecodeWord(p + kLastBlockPos);
    aux_offset_a = DecodeWord(p + kAuxOffsetAPos);
    root_offset = DecodeWord(p + kRootOffsetPos);
    aux_offset_b = DecodeWord(p + kAuxOffsetBPos);
  }
  // Writes only the five words; the other bytes of block 0 stay as they are.
  void EncodeTo(unsigned char* p) const {
    EncodeWord(p + kBlockSizePos, block_size);
    EncodeWord(p + kLastBlockPos, last_block);
    EncodeWord(p + kAuxOffsetAPos, aux_offset_a);
    EncodeWord(p + kRootOffsetPos, root_offset);
    EncodeWord(p + kAuxOffsetBPos, aux_offset_b);
  }
};

struct BlockLink {
  static constexpr std::size_t kEncodedSize = 8;

  std::uint32_t used_end = 0;   // stored offset just past the last byte in use
  std::uint32_t next_link = 0;  // stored offset where the run goes on; 0 at its end

  void DecodeFrom(const unsigned char* p) {
    used_end = DecodeWord(p);
    next_link = DecodeWord(p + 4);
  }
  void EncodeTo(unsigned char* p) const {
    EncodeWord(p, used_end);
    EncodeWord(p + 4, next_link);
  }
};

struct ItemHeader {
  static constexpr std::size_t kEncodedSize = 12;

  std::uint32_t self_offset = 0;
  std::uint32_t body_size = 0;
  std::uint32_t body_offset = 0;

  void DecodeFrom(const unsigned char* p) {
    self_offset = DecodeWord(p);
    body_size = DecodeWord(p + 4);
    body_offset = DecodeWord(p + 8);
  }
  void EncodeTo(unsigned char* p) const {
    EncodeWord(p, self_offset);
    EncodeWord(p + 4, body_size);
    EncodeWord(p + 8, body_offset);
  }
};

struct RootRecord {
  static constexpr std::size_t kEncodedSize = 32;
  static constexpr std::size_t kDescriptorOffsetPos = 28;

  ItemHeader header;
  std::uint32_t descriptor_offset = 0;

  void DecodeFrom(const unsigned char* p) {
    header.DecodeFrom(p);
    descriptor_offset = DecodeWord(p + kDescriptorOffsetPos);
  }
};

// Body of the directory descriptor, at the descriptor's BodyOffset.
struct DescriptorBody {
  static constexpr std::size_t kEncodedSize = 8;

  std::uint32_t type_word = 0;
  std::uint32_t directory_offset = 0;

  void DecodeFrom(const unsigned char* p) {
    type_word = DecodeWord(p);
    directory_offset = DecodeWord(p + 4);
  }
};

// The directory's ItemHeader is followed by 12 uninterpreted bytes; the
// entries' run begins after them.
inline constexpr std::size_t kDirectoryHeadSize = ItemHeader::kEncodedSize + 12;
// The entry walk's counter starts here and the limit is BodySize minus it.
inline constexpr std::uint32_t kDirectoryBodyBias = 12;

struct DirectoryEntry {
  static constexpr std::size_t kEncodedSize = 48;
  static constexpr std::size_t kItemOffsetPos = 44;

  std::uint32_t item_id = 0;
  std::uint32_t item_offset = 0;

  void DecodeFrom(const unsigned char* p) {
    item_id = DecodeWord(p);
    item_offset = DecodeWord(p + kItemOffsetPos);
  }
};

// Item record groups, each read as one fixed group at ItemOffset.
inline constexpr std::size_t kItemTypePos = ItemHeader::kEncodedSize;  // 12
inline constexpr std::size_t kItemTypedSize = kItemTypePos + 4;        // header + type: 16
// Type 2: header, type, DataSize, DataOffset.
inline constexpr std::size_t kPlainRecordSize = 24;
inline constexpr std::size_t kPlainDataSizePos = 16;
inline constexpr std::size_t kPlainDataOffsetPos = 20;
// Type 25/90: header, type, DataOffset.
inline constexpr std::size_t kSizedRecordSize = 20;
inline constexpr std::size_t kSizedDataOffsetPos = 16;
// Data header groups: type 2 is the 12-byte header alone; type 25/90 is the
// header, 4 bytes, a word and DataSize (at +20), with the run at +24.
inline constexpr std::size_t kPlainDataHeadSize = ItemHeader::kEncodedSize;
inline constexpr std::size_t kSizedDataHeadSize = 24;
inline constexpr std::size_t kSizedDataSizePos = 20;

}  // namespace omf::container
