// Reading containers: geometry, chained runs, the directory walk, the item
// road, and the refusal of malformed containers.
#include <gtest/gtest.h>

#include <array>

#include "container/chain.h"
#include "container/container_file.h"
#include "container/corrupt.h"
#include "container/directory_walk.h"
#include "container/item_road.h"
#include "container/verify.h"
#include "support/container_builder.h"
#include "support/temp_dir.h"

namespace omf::container {
namespace {

using testing::BuildContainer;
using testing::BuildOptions;
using testing::Bytes;
using testing::ContainerImage;
using testing::PatternBytes;
using testing::TempDir;
using testing::TestItem;

struct MemorySink final : ByteSink {
  Bytes bytes;
  void Put(const unsigned char* data, std::size_t n) override { bytes.insert(bytes.end(), data, data + n); }
};

struct ReadItem {
  std::uint32_t id;
  std::uint32_t type;
  Bytes data;
  bool operator==(const ReadItem&) const = default;
};

// Walks the container the way extraction does and collects every entry.
std::vector<ReadItem> ReadAll(const std::string& path) {
  auto file = ContainerFile::Open(path, OpenMode::kReadOnly);
  DirectoryWalk walk(file);
  std::vector<ReadItem> out;
  DirectoryEntry entry;
  while (walk.Next(entry)) {
    auto loc = LocateItem(file, entry, "entry");
    MemorySink sink;
    if (loc.kind != ItemKind::kNoData) {
      auto cursor = ChainCursor::StartRun(loc.run_start, file.BlockSize());
      ReadChained(file, cursor, loc.data_size, sink, "data");
    }
    out.push_back({entry.item_id, loc.type, sink.bytes});
  }
  return out;
}

std::vector<ReadItem> Expected(const std::vector<TestItem>& items) {
  std::vector<ReadItem> out;
  for (const auto& i : items) {
    bool data = i.type == 2 || i.type == 25 || i.type == 90;
    out.push_back({i.id, i.type, data ? i.data : Bytes{}});
  }
  return out;
}

// The chain of the worked example: B = 512, a type 2 item whose data header
// is at file position 1548 (block 3) and whose 1200 data bytes run through
// blocks 3, 6 and 4.
TEST(Chain, FollowsLinksWhereverTheyLead) {
  ContainerImage img(512);
  for (int i = 0; i < 7; ++i) img.AppendBlock();
  const Bytes data = PatternBytes(1200, 7);
  std::copy_n(data.begin(), 488, img.bytes().begin() + 1560);
  std::copy_n(data.begin() + 488, 504, img.bytes().begin() + 3080);
  std::copy_n(data.begin() + 992, 208, img.bytes().begin() + 2056);
  img.SetLink(3, 1536, 2568);
  img.SetLink(6, 3072, 1544);
  img.SetLink(4, 1752, 0);
  TempDir dir;
  img.WriteTo(dir / "c.omf");

  auto file = ContainerFile::Open(dir / "c.omf", OpenMode::kReadOnly);
  auto cursor = ChainCursor::StartRun(1560, 512);
  MemorySink sink;
  ReadChained(file, cursor, 1200, sink, "data");
  EXPECT_EQ(sink.bytes, data);
  EXPECT_EQ(cursor.Position(), 2264u);
  EXPECT_FALSE(cursor.AtBlockEnd());

  // A run that ends exactly at a block end waits there; its link (0 here)
  // is only followed when more bytes are wanted.
  auto cursor2 = ChainCursor::StartRun(2056, 512);
  MemorySink tail;
  ReadChained(file, cursor2, 504, tail, "data");
  EXPECT_TRUE(cursor2.AtBlockEnd());
  EXPECT_THROW(ReadChained(file, cursor2, 1, tail, "data"), CorruptContainer);
  // A run of 0 bytes moves nothing and follows nothing.
  EXPECT_NO_THROW(ReadChained(file, cursor2, 0, tail, "data"));
}

TEST(Read, ItemsOfEveryKindInAnyBlockOrder) {
  const std::vector<TestItem> items = {
      {0x1A, 2, PatternBytes(1200, 1)},   {0x1, 25, PatternBytes(3000, 2)},
      {0x2, 90, PatternBytes(77, 3)},     {0x3, 19, PatternBytes(10, 4)},
      {0x4, 7, {}},                       {0x12345, 2, PatternBytes(5, 5)},
      {0x1A, 2, PatternBytes(40, 6)},     {0x5, 25, {}},
      {0x6, 2, {}},
  };
  for (std::uint32_t b : {44u, 64u, 512u, 4096u}) {
    for (bool scatter : {false, true}) {
      BuildOptions opt;
      opt.block_size = b;
      opt.scatter = scatter;
      TempDir dir;
      BuildContainer(items, opt).image.WriteTo(dir / "c.omf");
      EXPECT_EQ(ReadAll(dir / "c.omf"), Expected(items)) << "B=" << b << " scatter=" << scatter;
    }
  }
}

// Records read alone (a listing, a rebuild from item files) go through
// small windows: with block sizes that do not divide the window, or exceed
// it, records cross window ends; the container passes the large window too.
// Each record must read as laid out, and a write must show in every window
// that holds its bytes.
TEST(Read, RecordsReadAloneWhateverTheBlockSize) {
  std::vector<TestItem> items;
  for (std::uint32_t i = 0; i < 60; ++i) {
    items.push_back({i + 1, i % 3 == 0 ? 25u : 2u, PatternBytes(4000 + i * 331, i)});
  }
  for (std::uint32_t b : {44u, 1000u, 4096u, 6000u, 10000u}) {
    for (bool scatter : {false, true}) {
      SCOPED_TRACE("B=" + std::to_string(b) + " scatter=" + std::to_string(scatter));
      BuildOptions opt;
      opt.block_size = b;
      opt.scatter = scatter;
      TempDir dir;
      const auto built = BuildContainer(items, opt);
      ASSERT_GT(built.image.bytes().size(), ContainerFile::kWindowSize);
      built.image.WriteTo(dir / "c.omf");
      auto file = ContainerFile::Open(dir / "c.omf", OpenMode::kReadWrite);
      DirectoryWalk walk(file);
      DirectoryEntry entry;
      std::vector<ItemLocation> locs;
      for (std::size_t i = 0; walk.Next(entry); ++i) {
        const auto loc = LocateItem(file, entry, "entry");
        ASSERT_LT(i, items.size());
        EXPECT_EQ(entry.item_id, items[i].id);
        EXPECT_EQ(loc.item_pos, built.item_pos[i]);
        EXPECT_EQ(loc.data_header_pos, built.data_header_pos[i]);
        EXPECT_EQ(loc.type, items[i].type);
        EXPECT_EQ(loc.data_size, items[i].data.size());
        locs.push_back(loc);
      }
      ASSERT_EQ(locs.size(), items.size());
      // A data header's first word, rewritten: the record window that
      // holds it and a run's view of it both see the new value.
      const std::uint64_t at = locs[30].data_header_pos;
      std::array<unsigned char, 4> word{};
      file.ReadFixed(at, word.data(), word.size(), "data header");
      EXPECT_EQ(DecodeWord(word.data()), built.image.Stored(at));
      EncodeWord(word.data(), 0x12345678);
      file.WriteAt(at, word.data(), word.size());
      file.ReadFixed(at, word.data(), word.size(), "data header");
      EXPECT_EQ(DecodeWord(word.data()), 0x12345678u);
      auto view = file.View(at, 4);
      ASSERT_EQ(view.size(), 4u);
      EXPECT_EQ(DecodeWord(view.data()), 0x12345678u);
    }
  }
}

TEST(Read, EntryEndingAtBlockEndContinuesInTheLinkedBlock) {
  // Directory header right after a block's link: with B = 512 the tenth
  // entry (8 + 24 + 480 = 512) ends exactly at the block end.
  std::vector<TestItem> items;
  for (std::uint32_t i = 0; i < 23; ++i) items.push_back({i, 2, PatternBytes(i * 31, i)});
  BuildOptions opt;
  opt.directory_start_in_block = 8;
  opt.scatter = true;
  auto built = BuildContainer(items, opt);
  ASSERT_EQ((built.first_entry_pos + 10 * 48) % 512, 0u);
  TempDir dir;
  built.image.WriteTo(dir / "c.omf");
  EXPECT_EQ(ReadAll(dir / "c.omf"), Expected(items));
}

TEST(Read, RunAfterRecordsEndingAtBlockEndStartsAfterTheNextLink) {
  // The fixed records before the data end exactly at a block end: the data
  // run starts after the link the block writer put there.
  struct Case {
    std::uint32_t type;
    std::uint32_t record_start;  // in block, so that record + data header end at B
  };
  for (auto c : {Case{2, 512 - 36}, Case{25, 512 - 44}, Case{90, 512 - 44}}) {
    std::vector<TestItem> items = {{1, c.type, PatternBytes(900, c.type), c.record_start},
                                   {2, c.type, PatternBytes(3, 9)}};
    BuildOptions opt;
    opt.scatter = true;
    auto built = BuildContainer(items, opt);
    const std::uint64_t head_end = built.data_header_pos[0] + (c.type == 2 ? 12 : 24);
    ASSERT_EQ(head_end % 512, 0u);
    TempDir dir;
    built.image.WriteTo(dir / "c.omf");
    EXPECT_EQ(ReadAll(dir / "c.omf"), Expected(items)) << "type " << c.type;
  }
}

TEST(Read, DirectoryBodySizeDecidesTheEntryCount) {
  struct Case {
    std::uint32_t body_size;
    std::size_t entries;
  };
  const Case cases[] = {{12, 0}, {13, 0}, {24, 0}, {25, 1}, {72, 1}, {73, 2}, {12 + 48 * 3, 3}};
  std::vector<TestItem> items;
  for (std::uint32_t i = 0; i < 4; ++i) items.push_back({i, 2, PatternBytes(20, i)});
  for (const auto& c : cases) {
    auto built = BuildContainer(items);
    built.image.Put32(built.directory_pos + 4, c.body_size);
    TempDir dir;
    built.image.WriteTo(dir / "c.omf");
    EXPECT_EQ(ReadAll(dir / "c.omf").size(), c.entries) << "BodySize " << c.body_size;
  }
}

TEST(Read, ShortLastBlockIsAllowed) {
  auto built = BuildContainer({{1, 2, PatternBytes(10, 1)}});
  Bytes& bytes = built.image.bytes();
  // Cut the unused tail of the last block (the directory's, closing run).
  const std::uint64_t used_end = built.first_entry_pos + 48;
  bytes.resize(used_end);
  TempDir dir;
  testing::WriteFileBytes(dir / "c.omf", bytes);
  EXPECT_EQ(ReadAll(dir / "c.omf"), Expected({{1, 2, PatternBytes(10, 1)}}));
}

// Each case breaks one thing of a valid container; the reader must refuse
// it with a message that says what and where.
TEST(Malformed, RefusedWithWhatAndWhere) {
  struct Case {
    const char* name;
    std::function<void(testing::BuiltContainer&)> breakit;
    const char* expect;  // part of the message
  };
  const std::uint32_t B = 512;
  auto item_data_block = [](testing::BuiltContainer& c) {
    // Block holding the first data byte of item 0 (type 2, multi-block).
    return (c.data_header_pos[0] + 12) / 512;
  };
  const Case cases[] = {
      {"block size too small", [](auto& c) { c.image.Put32(4, 43); }, "BlockSize 43 is below the minimum of 44"},
      {"block size past the file", [](auto& c) { c.image.Put32(4, 1u << 30); }, "shorter than one block"},
      {"file shorter than a block", [](auto& c) { c.image.bytes().resize(500); }, "shorter than one block"},
      {"file shorter than the header", [](auto& c) { c.image.bytes().resize(20); }, "too short for a container header"},
      {"root past the end", [&](auto& c) { c.image.Put32(24, static_cast<std::uint32_t>(c.image.bytes().size())); },
       "RootOffset: stored offset"},
      {"root inside a link", [&](auto& c) { c.image.Put32(24, B + 4); }, "lies inside a block link"},
      {"root wraps around 32 bits", [&](auto& c) { c.image.Put32(24, 0xFFFFFFFFu - B + 600); },
       "lies past the end of the file"},
      {"root record crosses a block end", [&](auto& c) { c.image.Put32(24, B - 20); },
       "root record (32 bytes) crosses the end of block 1"},
      {"directory body size below 12", [](auto& c) { c.image.Put32(c.directory_pos + 4, 11); },
       "directory BodySize 11 is below 12"},
      {"item offset past the end", [](auto& c) { c.image.Put32(c.first_entry_pos + 44, 0xFFFFFF00u); },
       "ItemOffset: stored offset"},
      {"type 2 record crosses a block end",
       [&](auto& c) {
         c.image.Put32(c.first_entry_pos + 44, B - 20);  // 24-byte record at block 1 + 492
         c.image.Put32(2 * B - 20 + 12, 2);
       },
       "item record (24 bytes) crosses the end of block 1"},
      {"NextLink 0 inside the data",
       [&](auto& c) { c.image.SetLink(static_cast<std::uint32_t>(item_data_block(c)), 0, 0); },
       "NextLink is 0 while"},
      {"NextLink past the end",
       [&](auto& c) {
         c.image.SetLink(static_cast<std::uint32_t>(item_data_block(c)), 0,
                         static_cast<std::uint32_t>(c.image.bytes().size()));
       },
       "points past the end of the file"},
      {"NextLink into a link",
       [&](auto& c) { c.image.SetLink(static_cast<std::uint32_t>(item_data_block(c)), 0, 3 * B); },
       "points inside a block link"},
      {"chain cycle",
       [&](auto& c) {
         auto blk = static_cast<std::uint32_t>(item_data_block(c));
         c.image.SetLink(blk, 0, (blk - 1) * B + 8);  // links to itself
         c.image.Put32(c.item_pos[0] + 16, 1000000);  // more than the file holds
       },
       "a cycle"},
      {"data runs past the end of the file",
       [&](auto& c) {
         // Item 1's data header moved behind the directory entries in the
         // last block, and the file cut 20 bytes into its data.
         const std::uint64_t head = c.first_entry_pos + 2 * 48;
         c.image.Put32(c.item_pos[1] + 20, c.image.Stored(head));
         c.image.bytes().resize(head + 12 + 20);
       },
       "passes the end of the file"},
  };
  for (const auto& c : cases) {
    auto built = BuildContainer({{1, 2, PatternBytes(3000, 1)}, {2, 2, PatternBytes(100, 2)}});
    c.breakit(built);
    TempDir dir;
    testing::WriteFileBytes(dir / "bad.omf", built.image.bytes());
    try {
      auto file = ContainerFile::Open(dir / "bad.omf", OpenMode::kReadOnly);
      VerifyContainer(file, false);
      ADD_FAILURE() << c.name << ": not refused";
    } catch (const CorruptContainer& e) {
      const std::string msg = e.what();
      EXPECT_NE(msg.find(c.expect), std::string::npos) << c.name << ": " << msg;
      EXPECT_EQ(msg.rfind("Corrupt container " + (dir / "bad.omf") + ": ", 0), 0u) << msg;
      EXPECT_NE(msg.find("(file offset "), std::string::npos) << msg;
    }
  }
}

TEST(Malformed, FixedGroupsAreCheckedForExactlyTheBytesRead) {
  // An item record at the last 16, 20 or 24 bytes of a block: valid only
  // for the types whose record is that long or shorter.
  struct Case {
    std::uint32_t type;
    std::uint32_t bytes_left;  // room before the block end
    bool valid;
  };
  const Case cases[] = {{19, 16, true}, {2, 20, false}, {2, 24, true}, {25, 20, true}, {25, 16, false},
                        {90, 20, true}, {7, 12, false}};
  for (const auto& c : cases) {
    auto built = BuildContainer({{1, 2, PatternBytes(10, 1)}});
    const std::uint32_t rec = 2 * 512 - c.bytes_left;  // in block 1
    // Copy a matching record there: type word, and for data types point at
    // the existing item's data header, which still works for type 2.
    built.image.Put32(built.first_entry_pos + 44, built.image.Stored(rec));
    built.image.Put32(rec + 12 < 2 * 512 ? rec + 12 : 0, c.type);
    if (c.type == 2 && c.bytes_left >= 24) {
      built.image.Put32(rec + 16, 10);
      built.image.Put32(rec + 20, built.image.Stored(built.data_header_pos[0]));
    }
    if ((c.type == 25 || c.type == 90) && c.bytes_left >= 20) {
      // A 24-byte sized data header group with DataSize 0 elsewhere in block 1.
      built.image.Put32(rec + 16, built.image.Stored(512 + 8 + 400));
      built.image.Put32(512 + 8 + 400 + 20, 0);
    }
    TempDir dir;
    testing::WriteFileBytes(dir / "c.omf", built.image.bytes());
    auto file = ContainerFile::Open(dir / "c.omf", OpenMode::kReadOnly);
    if (c.valid) {
      EXPECT_NO_THROW(VerifyContainer(file, false)) << "type " << c.type << " room " << c.bytes_left;
    } else {
      EXPECT_THROW(VerifyContainer(file, false), CorruptContainer) << "type " << c.type << " room " << c.bytes_left;
    }
  }
}

TEST(Verify, AuxiliaryItemsOnlyWhenAsked) {
  auto built = BuildContainer({{1, 2, PatternBytes(10, 1)}});
  built.image.Put32(20, 0xFFFFFFF0u);  // AuxOffsetA past the end
  TempDir dir;
  built.image.WriteTo(dir / "c.omf");
  auto file = ContainerFile::Open(dir / "c.omf", OpenMode::kReadOnly);
  EXPECT_EQ(VerifyContainer(file, false).data_bytes, 10u);
  EXPECT_THROW(VerifyContainer(file, true), CorruptContainer);
}

}  // namespace
}  // namespace omf::container
