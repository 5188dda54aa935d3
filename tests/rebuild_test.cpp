// Container rebuild: layout, new data, kept data, refusals, and that a
// failed rebuild leaves no file.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "container/chain.h"
#include "container/corrupt.h"
#include "container/directory_walk.h"
#include "container/extract.h"
#include "container/rebuild.h"
#include "platform/error.h"
#include "support/container_builder.h"
#include "support/extract_all.h"
#include "support/temp_dir.h"

namespace omf::container {
namespace {

using testing::BuildContainer;
using testing::BuildOptions;
using testing::Bytes;
using testing::FileExists;
using testing::PatternBytes;
using testing::ReadFileBytes;
using testing::TempDir;
using testing::TestItem;
using testing::WriteFileBytes;

namespace fs = std::filesystem;

class Rebuild : public ::testing::Test {
 protected:
  void SetUp() override { fs::create_directories(dir_ / "out"); }
  void Make(const std::vector<TestItem>& items, BuildOptions opt = {}) {
    opt.scatter = true;
    BuildContainer(items, opt).image.WriteTo(dir_ / "c.omf");
  }
  std::string Item(const std::string& name, const Bytes& bytes) {
    WriteFileBytes(dir_ / name, bytes);
    return dir_ / name;
  }
  RebuildResult Run(const std::vector<std::string>& item_lines, const std::string& source, const std::string& target,
                    std::int32_t first = 0, ReplayOptions options = {}) {
    LineList lines;
    for (std::int32_t i = 0; i < first; ++i) lines.Add("#Source: x");
    for (const auto& l : item_lines) lines.Add(l);
    auto file = ContainerFile::Open(source, OpenMode::kReadWrite);
    ReplayObserver quiet;
    return RebuildContainer(file, target, lines, first, quiet, options);
  }
  std::vector<Bytes> Extract(const std::string& container) { return testing::ExtractAll(container, dir_ / "x"); }
  // Everything in out/ but the expected files: no temporary leftovers.
  std::vector<std::string> OutFiles() {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_ / "out")) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  TempDir dir_;
};

TEST_F(Rebuild, ItemFilesArePreparedAndOtherItemsKeepTheirData) {
  Bytes with_d0 = {0x01, 0xD0, 0xF0, 0xD0};
  // Every byte value at many offsets, long enough for the
  // vector part of the byte replacement, an odd length for its tail; and a
  // file that crosses the 1 MiB read buffer with a 0xD0 on each side of it.
  auto every_value = [](std::size_t n) {
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<unsigned char>(i * 7 + i / 256);
    return b;
  };
  auto replaced = [](Bytes b) {
    for (auto& c : b) c = c == 0xD0 ? 0x50 : c;
    if (b.empty() || b.back() != 0) b.push_back(0);
    return b;
  };
  Bytes across = PatternBytes((1 << 20) + 3, 9);
  across[(1 << 20) - 1] = 0xD0;
  across[1 << 20] = 0xD0;
  struct Case {
    const char* name;
    Bytes file;
    Bytes stored;
  };
  const Case cases[] = {
      {"ends in 0: stored as is", {1, 2, 0xF0, 0}, {1, 2, 0xF0, 0}},
      {"ends in non-zero: one 0 added", {1, 2, 3}, {1, 2, 3, 0}},
      {"every 0xD0 becomes 0x50, 0xF0 stays", with_d0, {0x01, 0x50, 0xF0, 0x50, 0}},
      {"empty file: a single 0 byte", {}, {0}},
      {"every byte value, 4099 bytes: only 0xD0 changes", every_value(4099), replaced(every_value(4099))},
      {"1 MiB + 3 bytes, 0xD0 on both sides of the read buffer's end", across, replaced(across)},
  };
  std::vector<TestItem> items;
  std::vector<std::string> lines;
  for (std::uint32_t i = 0; i < std::size(cases); ++i) {
    items.push_back({i, 2, PatternBytes(100 + i, i)});
    lines.push_back(Item("f" + std::to_string(i), cases[i].file));
  }
  items.push_back({10, 2, PatternBytes(2000, 10)});
  lines.push_back("NULL");
  items.push_back({11, 2, PatternBytes(5, 11)});
  lines.push_back(dir_ / "no-such-file");
  Make(items);
  const auto r = Run(lines, dir_ / "c.omf", dir_ / "out/c.omf", 2);
  const std::size_t n = std::size(cases);
  EXPECT_EQ(r.next_line, 2 + n + 2);
  EXPECT_EQ(r.from_file, n);
  EXPECT_EQ(r.kept, 2u);
  const auto got = Extract(dir_ / "out/c.omf");
  for (std::size_t i = 0; i < n; ++i) EXPECT_EQ(got[i], cases[i].stored) << cases[i].name;
  EXPECT_EQ(got[n], PatternBytes(2000, 10));
  EXPECT_EQ(got[n + 1], PatternBytes(5, 11));
}

TEST_F(Rebuild, LayoutAndHeaderWords) {
  Make({{1, 2, PatternBytes(3000, 1)}, {2, 2, PatternBytes(10, 2)}});
  Run({"NULL", "NULL"}, dir_ / "c.omf", dir_ / "out/c.omf");
  const Bytes out = ReadFileBytes(dir_ / "out/c.omf");
  const Bytes src = ReadFileBytes(dir_ / "c.omf");
  const std::uint32_t B = 512;
  ASSERT_EQ(out.size() % B, 0u);
  EXPECT_EQ(DecodeWord(out.data() + 8), out.size() / B - 1);  // LastBlock
  // The header block is copied but for the four words.
  for (std::size_t i = 0; i < B; ++i) {
    if ((i >= 8 && i < 12) || (i >= 20 && i < 32)) continue;
    ASSERT_EQ(out[i], src[i]) << "header byte " << i;
  }
  auto file = ContainerFile::Open(dir_ / "out/c.omf", OpenMode::kReadOnly);
  DirectoryWalk walk(file);
  DirectoryEntry e;
  ASSERT_TRUE(walk.Next(e));
  EXPECT_EQ(e.item_offset, 8u);  // the first item record right after block 1's link
  // Directory, root group and the two auxiliary items begin blocks.
  EXPECT_EQ((walk.DirectoryPos() - 8) % B, 0u);
  EXPECT_EQ((DecodeWord(out.data() + 24) - 20 + B - 8) % B, 0u);  // root record follows the descriptor's 20
  for (std::size_t pos : {20, 28}) EXPECT_EQ((DecodeWord(out.data() + pos) + B - 8) % B, 0u) << pos;
}

TEST_F(Rebuild, RebuildOfARebuildIsByteIdentical) {
  BuildOptions opt;
  opt.aux_a = PatternBytes(1300, 0xA);  // larger than one payload
  opt.aux_b = PatternBytes(3, 0xB);
  Make({{1, 2, PatternBytes(3000, 1)}, {2, 2, {}}, {3, 2, PatternBytes(433, 3)}, {4, 2, PatternBytes(77, 4)}}, opt);
  Run({Item("a", PatternBytes(999, 5)), "NULL", "NULL", "NULL"}, dir_ / "c.omf", dir_ / "out/c.omf");
  fs::create_directories(dir_ / "out2");
  Run({"NULL", "NULL", "NULL", "NULL"}, dir_ / "out/c.omf", dir_ / "out2/c.omf");
  EXPECT_EQ(ReadFileBytes(dir_ / "out2/c.omf"), ReadFileBytes(dir_ / "out/c.omf"));
}

TEST_F(Rebuild, ItemRecordsNeedThirtySixBytesInTheOpenBlock) {
  // Item 0 leaves an open block with S mod B = 8 + 36 + n: n = 433 leaves
  // 35 bytes, n = 432 leaves 36.
  struct Case {
    std::uint32_t n;
    std::uint32_t second_offset;
  };
  for (auto c : {Case{433, 1024 + 8 - 512}, Case{432, 512 + 8 + 36 + 432 - 512}}) {
    Make({{1, 2, Bytes(c.n - 1, 7)}, {2, 2, PatternBytes(600, 2)}});  // stored with a 0 byte added
    Run({Item("a", Bytes(c.n - 1, 7)), "NULL"}, dir_ / "c.omf", dir_ / "out/c.omf");
    auto file = ContainerFile::Open(dir_ / "out/c.omf", OpenMode::kReadOnly);
    DirectoryWalk walk(file);
    DirectoryEntry e;
    walk.Next(e);
    walk.Next(e);
    EXPECT_EQ(e.item_offset, c.second_offset) << c.n;
    file = ContainerFile::Open(dir_ / "c.omf", OpenMode::kReadOnly);  // release out/c.omf
    EXPECT_EQ(Extract(dir_ / "out/c.omf")[1], PatternBytes(600, 2)) << c.n;
  }
}

TEST_F(Rebuild, EmptyDirectoryGivesFourBlocksAfterTheHeader) {
  BuildOptions opt;
  opt.aux_b = PatternBytes(200, 0xB);  // each part fits one block
  Make({}, opt);
  EXPECT_EQ(Run({}, dir_ / "c.omf", dir_ / "out/c.omf", 3).next_line, 3);
  EXPECT_EQ(ReadFileBytes(dir_ / "out/c.omf").size(), 5u * 512);
}

TEST_F(Rebuild, RefusalsLeaveNoFile) {
  struct Case {
    const char* name;
    std::vector<TestItem> items;
    std::uint32_t block_size;
    std::vector<std::string> lines;
    const char* expect;
  };
  const Case cases[] = {
      {"block size below 60", {{1, 2, PatternBytes(10, 1)}}, 56, {"NULL"}, "BlockSize 56 is below 60"},
      {"item of type 25", {{1, 2, {}}, {0x1A, 25, PatternBytes(10, 1)}}, 512, {"NULL", "NULL"},
       "item 001A (entry 1) has ItemType 25"},
      {"too few lines", {{1, 2, {}}, {2, 2, {}}}, 512, {"NULL"}, "List index out of bounds (1)"},
  };
  for (const auto& c : cases) {
    BuildOptions opt;
    opt.block_size = c.block_size;
    Make(c.items, opt);
    try {
      Run(c.lines, dir_ / "c.omf", dir_ / "out/c.omf");
      ADD_FAILURE() << c.name;
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find(c.expect), std::string::npos) << c.name << ": " << e.what();
    }
    EXPECT_TRUE(OutFiles().empty()) << c.name;
  }
}

TEST_F(Rebuild, AFailureHalfWayLeavesTheOldTargetAndNoTemporaryFile) {
  auto built = BuildContainer({{1, 2, PatternBytes(100, 1)}, {2, 2, PatternBytes(3000, 2)}});
  // Item 1's kept data has a broken chain: found while streaming.
  const auto blk = static_cast<std::uint32_t>((built.data_header_pos[1] + 12) / 512);
  built.image.SetLink(blk, 0, 0);
  built.image.WriteTo(dir_ / "c.omf");
  WriteFileBytes(dir_ / "out/c.omf", {1, 2, 3});
  EXPECT_THROW(Run({Item("a", {5}), "NULL"}, dir_ / "c.omf", dir_ / "out/c.omf"), CorruptContainer);
  EXPECT_EQ(OutFiles(), std::vector<std::string>{"c.omf"});
  EXPECT_EQ(ReadFileBytes(dir_ / "out/c.omf"), (Bytes{1, 2, 3}));
}

TEST_F(Rebuild, TheSourceItselfCannotBeTheTarget) {
  Make({{1, 2, PatternBytes(10, 1)}});
  const Bytes before = ReadFileBytes(dir_ / "c.omf");
  try {
    Run({"NULL"}, dir_ / "c.omf", dir_ / "c.omf");
    ADD_FAILURE();
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot create file " + (dir_ / "c.omf"));
  }
  EXPECT_EQ(ReadFileBytes(dir_ / "c.omf"), before);
}

TEST_F(Rebuild, AnInterruptedRebuildLeavesNoFile) {
  Make({{1, 2, PatternBytes(10, 1)}});
  InterruptFlag interrupt;
  interrupt.Raise();
  ReplayOptions options;
  options.interrupt = &interrupt;
  EXPECT_THROW(Run({"NULL"}, dir_ / "c.omf", dir_ / "out/c.omf", 0, options), Interrupted);
  EXPECT_TRUE(OutFiles().empty());
}

TEST_F(Rebuild, DryRunWritesNothing) {
  Make({{1, 2, PatternBytes(10, 1)}});
  ReplayOptions dry;
  dry.dry_run = true;
  EXPECT_EQ(Run({Item("a", {1})}, dir_ / "c.omf", dir_ / "out/c.omf", 0, dry).from_file, 1u);
  EXPECT_TRUE(OutFiles().empty());
}

}  // namespace
}  // namespace omf::container
