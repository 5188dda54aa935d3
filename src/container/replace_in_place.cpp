#include "container/replace_in_place.h"

#include <array>
#include <vector>

#include "container/chain.h"
#include "container/directory_walk.h"
#include "container/item_road.h"
#include "platform/file_stream.h"

namespace omf::container {
namespace {

constexpr std::size_t kBodySizePos = 4;  // in the data header

// Copies the whole container to <path>.bak through our own (exclusive) handle.
void BackUp(ContainerFile& file) {
  FileStream backup = FileStream::Create(file.Path() + ".bak");
  FileStream& source = file.Stream();
  source.Seek(0);
  CopyBytes(source, backup, file.FileSize());
  backup.Sync();
}

// Walks the directory and every item record the replacement reads, so a
// broken directory is refused before the first item is written.
std::uint64_t CheckDirectory(ContainerFile& file) {
  DirectoryWalk walk(file);
  DirectoryEntry entry;
  std::uint64_t entries = 0;
  for (; walk.Next(entry); ++entries) {
    LocateItem(file, entry, DescribeEntry(walk.Index(), entry), ItemRoad::kSizedOnly);
  }
  return entries;
}

}  // namespace

InPlaceResult ReplaceItemsInPlace(ContainerFile& file, const LineList& lines, std::int32_t first_line,
                                  ReplayObserver& observer, const ReplayOptions& options) {
  observer.ItemsAhead(CheckDirectory(file));
  InPlaceResult result;
  std::int32_t n = first_line;
  bool backed_up = false;
  DirectoryWalk walk(file);
  DirectoryEntry entry;
  for (; walk.Next(entry); ++n) {
    CheckInterrupt(options.interrupt);
    const std::string what = DescribeEntry(walk.Index(), entry);
    const ItemLocation loc = LocateItem(file, entry, what, ItemRoad::kSizedOnly);
    ItemReport report;
    report.index = walk.Index();
    report.item_id = entry.item_id;
    report.item_type = loc.type;
    report.old_size = loc.data_size;
    if (loc.kind != ItemKind::kSized) {
      report.action = ItemAction::kPassedOver;
      observer.Item(report);
      continue;
    }
    report.line = lines.Get(n);
    if (report.line == "NULL") {
      report.action = ItemAction::kKept;
      report.new_size = loc.data_size;
      observer.Item(report);
      continue;
    }
    FileStream item = FileStream::Open(report.line, OpenMode::kReadOnly);
    const std::uint64_t length = item.Size();
    report.new_size = length;
    if (length > loc.data_size) {
      report.action = ItemAction::kRefused;
      ++result.refused;
      observer.Warning("Item file " + report.line + " is " + std::to_string(length) +
                       " bytes, longer than the " + std::to_string(loc.data_size) + " bytes of " +
                       what + "; the item is left unchanged");
      observer.Item(report);
      continue;
    }
    // Every link the new bytes will follow is checked before the first
    // byte of this item is written.
    auto cursor = ChainCursor::StartRun(loc.run_start, file.BlockSize());
    ChainCursor probe = cursor;
    SkipChained(file, probe, length, what + ": data");
    report.action = ItemAction::kReplaced;
    if (!options.dry_run) {
      if (options.backup && !backed_up) {
        BackUp(file);
        backed_up = true;
      }
      std::array<unsigned char, 4> word{};
      EncodeWord(word.data(), static_cast<std::uint32_t>(length + 12));
      file.WriteAt(loc.data_header_pos + kBodySizePos, word.data(), word.size());
      EncodeWord(word.data(), static_cast<std::uint32_t>(length));
      file.WriteAt(loc.data_header_pos + kSizedDataSizePos, word.data(), word.size());
      WriteChained(file, cursor, length, item, what + ": data");
    }
    ++result.replaced;
    observer.Item(report);
  }
  result.next_line = n;
  return result;
}

}  // namespace omf::container
