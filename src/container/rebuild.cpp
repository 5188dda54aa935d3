#include "container/rebuild.h"

#include <array>
#include <optional>
#include <vector>

#include "container/block_writer.h"
#include "container/chain.h"
#include "container/directory_walk.h"
#include "container/item_file_name.h"
#include "container/item_road.h"
#include "platform/error.h"
#include "platform/file_stream.h"
#include "platform/paths.h"
#include "platform/replacing_file.h"

namespace omf::container {
namespace {

constexpr std::int32_t kItemHead = kPlainRecordSize + kPlainDataHeadSize;  // 36
constexpr std::size_t kRootGroupSize =
    ItemHeader::kEncodedSize + DescriptorBody::kEncodedSize + RootRecord::kEncodedSize;  // 52
constexpr unsigned char kReplacedByte = 0xD0;
constexpr unsigned char kReplacement = 0x50;

std::uint32_t Stored(std::uint64_t stored_offset) {
  if (stored_offset > 0xFFFFFFFFu) {
    throw Error("The rebuilt container would pass the 4 GiB that its 32-bit offsets can address");
  }
  return static_cast<std::uint32_t>(stored_offset);
}

class WriterSink final : public ByteSink {
 public:
  explicit WriterSink(BlockWriter& writer) : writer_(writer) {}
  void Put(const unsigned char* data, std::size_t n) override { writer_.Put(data, n); }

 private:
  BlockWriter& writer_;
};

// The new data an item file gives: its length once stored.
std::uint64_t StoredLength(FileStream& item) {
  const std::uint64_t size = item.Size();
  if (size == 0) return 1;
  unsigned char last = 0;
  if (item.ReadAt(size - 1, &last, 1) != 1) throw StreamReadError();
  return last != 0 ? size + 1 : size;
}

// Streams an item file into the writer: 0xD0 stored as 0x50, a closing 0
// byte where the file does not end in one.
void PutItemFile(FileStream& item, std::uint64_t stored_length, BlockWriter& writer,
                 std::vector<unsigned char>& buf) {
  std::uint64_t left = item.Size();
  const bool add_zero = stored_length != left;
  item.Seek(0);
  while (left > 0) {
    const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(left, buf.size()));
    item.ReadExact(buf.data(), want);
    // Every byte is stored back, changed or not: a conditional store keeps
    // the compiler from vectorising the loop, which then costs more than
    // the reads and writes of the item data together.
    for (std::size_t i = 0; i < want; ++i) {
      const unsigned char c = buf[i];
      buf[i] = c == kReplacedByte ? kReplacement : c;
    }
    writer.Put(buf.data(), want);
    left -= want;
  }
  if (add_zero) {
    const unsigned char zero = 0;
    writer.Put(&zero, 1);
  }
}

struct AuxItem {
  std::uint64_t pos = 0;
  std::array<unsigned char, ItemHeader::kEncodedSize> header{};
  std::uint32_t body_size = 0;
};

AuxItem ReadAux(ContainerFile& source, std::uint32_t stored, const std::string& name) {
  AuxItem aux;
  aux.pos = source.Locate(stored, name);
  source.ReadFixed(aux.pos, aux.header.data(), aux.header.size(), name + " header");
  aux.body_size = DecodeWord(aux.header.data() + 4);
  return aux;
}

// Writes an auxiliary item as one closing run: its header with its new
// offsets, then its body read through the chain that follows the header.
std::uint32_t WriteAux(ContainerFile& source, AuxItem aux, const std::string& name, BlockWriter& writer) {
  const std::uint32_t self = Stored(writer.NextRunStart(BlockWriter::kNoHead));
  EncodeWord(aux.header.data(), self);
  EncodeWord(aux.header.data() + 8, Stored(std::uint64_t{self} + ItemHeader::kEncodedSize));
  writer.BeginRun(ItemHeader::kEncodedSize + std::uint64_t{aux.body_size}, BlockWriter::kNoHead, true);
  writer.Put(aux.header.data(), aux.header.size());
  WriterSink sink(writer);
  auto cursor = ChainCursor::StartRun(aux.pos + ItemHeader::kEncodedSize, source.BlockSize());
  ReadChained(source, cursor, aux.body_size, sink, name + " body");
  writer.EndRun();
  return self;
}

// Checks everything the rebuild refuses before a file is created: the
// block size, the item types, the lines, the records on the road.
std::uint64_t CheckSource(ContainerFile& source, const LineList& lines, std::int32_t first_line) {
  const std::uint32_t b = source.BlockSize();
  if (b < kMinRebuildBlockSize) {
    throw Error("Cannot rebuild " + source.Path() + ": BlockSize " + std::to_string(b) +
                " is below " + std::to_string(kMinRebuildBlockSize) +
                ", too small for the root group");
  }
  DirectoryWalk walk(source);
  DirectoryEntry entry;
  std::uint64_t entries = 0;
  while (walk.Next(entry)) {
    const std::string what = DescribeEntry(walk.Index(), entry);
    const ItemLocation loc = LocateItem(source, entry, what);
    if (loc.type != kItemTypePlain) {
      throw Error("Cannot rebuild " + source.Path() + ": item " + ItemIdHex(entry.item_id) +
                  " (entry " + std::to_string(walk.Index()) + ") has ItemType " +
                  std::to_string(loc.type) + "; only items of type 2 can be rebuilt");
    }
    lines.Get(static_cast<std::int32_t>(first_line + static_cast<std::int64_t>(entries)));
    ++entries;
  }
  ReadAux(source, source.Header().aux_offset_b, "AuxOffsetB item");
  ReadAux(source, source.Header().aux_offset_a, "AuxOffsetA item");
  return entries;
}

}  // namespace

RebuildResult RebuildContainer(ContainerFile& source, const std::string& target_path,
                               const LineList& lines, std::int32_t first_line, ReplayObserver& observer,
                               const ReplayOptions& options) {
  const std::uint64_t entry_count = CheckSource(source, lines, first_line);
  observer.ItemsAhead(entry_count);
  const std::uint32_t b = source.BlockSize();
  RebuildResult result;
  result.next_line = static_cast<std::int32_t>(first_line + static_cast<std::int64_t>(entry_count));

  // The road to the directory, kept as read.
  const std::uint64_t root_pos = source.Locate(source.Header().root_offset, "RootOffset");
  std::array<unsigned char, RootRecord::kEncodedSize> root{};
  source.ReadFixed(root_pos, root.data(), root.size(), "root record");
  const std::uint64_t desc_pos =
      source.Locate(DecodeWord(root.data() + RootRecord::kDescriptorOffsetPos), "DescriptorOffset");
  std::array<unsigned char, ItemHeader::kEncodedSize> desc{};
  source.ReadFixed(desc_pos, desc.data(), desc.size(), "directory descriptor header");
  const std::uint64_t body_pos = source.Locate(DecodeWord(desc.data() + 8), "descriptor BodyOffset");
  std::array<unsigned char, DescriptorBody::kEncodedSize> desc_body{};
  source.ReadFixed(body_pos, desc_body.data(), desc_body.size(), "directory descriptor body");

  DirectoryWalk walk(source);
  // The directory stream: its 24-byte head, then every entry.
  std::vector<unsigned char> directory(kDirectoryHeadSize + entry_count * DirectoryEntry::kEncodedSize);
  source.ReadFixed(walk.DirectoryPos(), directory.data(), kDirectoryHeadSize, "directory header");

  std::optional<ReplacingFile> out;
  std::optional<BlockWriter> writer;
  if (!options.dry_run) {
    out.emplace(target_path);
    writer.emplace(out->Stream(), b, 0);
    for (std::uint64_t pos = 0; pos < b;) {  // the header block, unchanged
      auto piece = source.View(pos, b - pos);
      writer->PutRaw(piece.data(), piece.size());
      pos += piece.size();
    }
  }

  std::vector<unsigned char> file_buffer(options.dry_run ? 0 : 1 << 20);  // reused for every item file
  DirectoryEntry entry;
  for (std::uint64_t k = 0; walk.Next(entry); ++k) {
    CheckInterrupt(options.interrupt);
    const std::string what = DescribeEntry(walk.Index(), entry);
    const ItemLocation loc = LocateItem(source, entry, what);
    std::array<unsigned char, kItemHead> head{};
    source.ReadFixed(loc.item_pos, head.data(), kPlainRecordSize, what + ": item record");
    source.ReadFixed(loc.data_header_pos, head.data() + kPlainRecordSize, kPlainDataHeadSize,
                     what + ": data header");

    ItemReport report;
    report.index = walk.Index();
    report.item_id = entry.item_id;
    report.item_type = loc.type;
    report.old_size = loc.data_size;
    report.line = lines.Get(static_cast<std::int32_t>(first_line + static_cast<std::int64_t>(k)));
    std::optional<FileStream> item;
    if (PathExists(report.line)) {
      item.emplace(FileStream::Open(report.line, OpenMode::kReadOnly));
      report.action = ItemAction::kFromFile;
      report.new_size = StoredLength(*item);
      ++result.from_file;
    } else {
      report.action = ItemAction::kKept;
      report.new_size = loc.data_size;
      ++result.kept;
    }
    auto cursor = ChainCursor::StartRun(loc.run_start, b);
    if (options.dry_run) {
      if (!item) SkipChained(source, cursor, loc.data_size, what + ": data");
      observer.Item(report);
      continue;
    }
    if (report.new_size > 0xFFFFFFFFu) {
      throw Error("Cannot rebuild " + source.Path() + ": item file " + report.line +
                  " is too large for a 32-bit DataSize");
    }
    const auto n = static_cast<std::uint32_t>(report.new_size);
    const std::uint32_t o = Stored(writer->NextRunStart(kItemHead));
    EncodeWord(head.data(), o);                                // record SelfOffset
    EncodeWord(head.data() + kPlainDataSizePos, n);            // DataSize
    EncodeWord(head.data() + kPlainDataOffsetPos, Stored(std::uint64_t{o} + kPlainRecordSize));
    EncodeWord(head.data() + kPlainRecordSize, Stored(std::uint64_t{o} + kPlainRecordSize));  // data header SelfOffset
    EncodeWord(head.data() + kPlainRecordSize + 4, n);         // data header BodySize
    unsigned char* dir_entry = directory.data() + kDirectoryHeadSize + k * DirectoryEntry::kEncodedSize;
    std::copy(walk.RawEntry().begin(), walk.RawEntry().end(), dir_entry);
    EncodeWord(dir_entry + DirectoryEntry::kItemOffsetPos, o);

    writer->BeginRun(kItemHead + std::uint64_t{n}, kItemHead, k + 1 == entry_count);
    writer->Put(head.data(), head.size());
    if (item) {
      PutItemFile(*item, n, *writer, file_buffer);
    } else {
      WriterSink sink(*writer);
      ReadChained(source, cursor, loc.data_size, sink, what + ": data");
    }
    writer->EndRun();
    observer.Item(report);
  }

  if (options.dry_run) {
    AuxItem aux_b = ReadAux(source, source.Header().aux_offset_b, "AuxOffsetB item");
    AuxItem aux_a = ReadAux(source, source.Header().aux_offset_a, "AuxOffsetA item");
    for (auto* aux : {&aux_b, &aux_a}) {
      auto cursor = ChainCursor::StartRun(aux->pos + ItemHeader::kEncodedSize, b);
      SkipChained(source, cursor, aux->body_size, "auxiliary item body");
    }
    return result;
  }

  // The directory.
  const std::uint32_t directory_self = Stored(writer->NextRunStart(BlockWriter::kNoHead));
  EncodeWord(directory.data(), directory_self);
  writer->BeginRun(directory.size(), BlockWriter::kNoHead, true);
  writer->Put(directory.data(), directory.size());
  writer->EndRun();

  // The root group: descriptor header, its body, the root record.
  const std::uint32_t d = Stored(writer->NextRunStart(BlockWriter::kNoHead));
  std::array<unsigned char, kRootGroupSize> group{};
  std::copy(desc.begin(), desc.end(), group.begin());
  EncodeWord(group.data(), d);
  EncodeWord(group.data() + 8, Stored(std::uint64_t{d} + 12));
  std::copy(desc_body.begin(), desc_body.end(), group.begin() + 12);
  EncodeWord(group.data() + 16, directory_self);
  std::copy(root.begin(), root.end(), group.begin() + 20);
  const std::uint32_t root_self = Stored(std::uint64_t{d} + 20);
  EncodeWord(group.data() + 20, root_self);
  EncodeWord(group.data() + 28, Stored(std::uint64_t{d} + 32));
  EncodeWord(group.data() + 20 + RootRecord::kDescriptorOffsetPos, d);
  writer->BeginRun(group.size(), BlockWriter::kNoHead, true);
  writer->Put(group.data(), group.size());
  writer->EndRun();

  const std::uint32_t aux_b = WriteAux(
      source, ReadAux(source, source.Header().aux_offset_b, "AuxOffsetB item"), "AuxOffsetB item", *writer);
  const std::uint32_t aux_a = WriteAux(
      source, ReadAux(source, source.Header().aux_offset_a, "AuxOffsetA item"), "AuxOffsetA item", *writer);
  writer->Flush();

  // Bring the header block's four words up to date.
  std::array<unsigned char, 12> words{};
  EncodeWord(words.data(), aux_a);
  EncodeWord(words.data() + 4, root_self);
  EncodeWord(words.data() + 8, aux_b);
  FileStream& file = out->Stream();
  file.WriteAt(ContainerHeader::kAuxOffsetAPos, words.data(), words.size());
  EncodeWord(words.data(), Stored(writer->Position() / b - 1));
  file.WriteAt(ContainerHeader::kLastBlockPos, words.data(), 4);
  out->Commit();
  return result;
}

}  // namespace omf::container
