// In-place replacement: what is written, what is refused, what stays.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "container/corrupt.h"
#include "container/extract.h"
#include "container/replace_in_place.h"
#include "platform/error.h"
#include "support/container_builder.h"
#include "support/extract_all.h"
#include "support/temp_dir.h"

namespace omf::container {
namespace {

using testing::BuildContainer;
using testing::BuildOptions;
using testing::BuiltContainer;
using testing::Bytes;
using testing::FileExists;
using testing::PatternBytes;
using testing::ReadFileBytes;
using testing::TempDir;
using testing::TestItem;
using testing::WriteFileBytes;

struct Recorder : ReplayObserver {
  std::vector<ItemReport> items;
  std::vector<std::string> warnings;
  void Item(const ItemReport& r) override { items.push_back(r); }
  void Warning(const std::string& m) override { warnings.push_back(m); }
};

class InPlace : public ::testing::Test {
 protected:
  // Writes the container and returns its path.
  std::string Make(const std::vector<TestItem>& items, BuildOptions opt = {}) {
    opt.scatter = true;
    built_.emplace(BuildContainer(items, opt));
    built_->image.WriteTo(dir_ / "c.omf");
    return dir_ / "c.omf";
  }
  std::string Item(const std::string& name, const Bytes& bytes) {
    WriteFileBytes(dir_ / name, bytes);
    return dir_ / name;
  }
  InPlaceResult Replay(const std::vector<std::string>& item_lines, std::int32_t first = 0,
                       ReplayOptions options = {}) {
    LineList lines;
    for (std::int32_t i = 0; i < first; ++i) lines.Add("#Source: not read");
    for (const auto& l : item_lines) lines.Add(l);
    auto file = ContainerFile::Open(dir_ / "c.omf", OpenMode::kReadWrite);
    return ReplaceItemsInPlace(file, lines, first, rec_, options);
  }
  // The items as extraction now sees them.
  std::vector<Bytes> Extracted() { return testing::ExtractAll(dir_ / "c.omf", dir_ / "x"); }
  std::uint32_t FileWord(std::uint64_t pos) const {
    const Bytes b = ReadFileBytes(dir_ / "c.omf");
    return DecodeWord(b.data() + pos);
  }

  TempDir dir_;
  std::optional<BuiltContainer> built_;
  Recorder rec_;
};

TEST_F(InPlace, ReplacesTypes25And90AlongTheirChains) {
  const Bytes old0 = PatternBytes(3000, 1), old2 = PatternBytes(700, 3);
  Make({{1, 25, old0}, {2, 2, PatternBytes(50, 2)}, {3, 90, old2}, {4, 19, {}}, {5, 25, PatternBytes(9, 5)},
        {6, 25, PatternBytes(40, 6)}});
  const Bytes new0 = PatternBytes(2500, 11);  // shorter, still several blocks
  const Bytes new2 = PatternBytes(700, 13);   // same length
  auto r = Replay({Item("a.dat", new0), Item("b.dat", PatternBytes(50, 99)), Item("c.dat", new2), "ignored",
                   Item("e.dat", {}), "NULL"},
                  3);
  EXPECT_EQ(r.next_line, 3 + 6);
  EXPECT_EQ(r.replaced, 3u);
  EXPECT_EQ(r.refused, 0u);

  const auto items = Extracted();
  EXPECT_EQ(items[0], new0);
  EXPECT_EQ(items[1], PatternBytes(50, 2));  // type 2: passed over though its line names a file
  EXPECT_EQ(items[2], new2);
  EXPECT_TRUE(items[4].empty());
  EXPECT_EQ(items[5], PatternBytes(40, 6));  // "NULL" keeps the item

  // Size words: BodySize = L + 12, DataSize = L; the type stays 90; old
  // bytes after the new data remain.
  const std::uint64_t head0 = built_->data_header_pos[0];
  EXPECT_EQ(FileWord(head0 + 4), 2500u + 12);
  EXPECT_EQ(FileWord(head0 + 20), 2500u);
  EXPECT_EQ(FileWord(built_->data_header_pos[4] + 4), 12u);
  EXPECT_EQ(FileWord(built_->item_pos[2] + 12), 90u);
  const Bytes file = ReadFileBytes(dir_ / "c.omf");
  Bytes original = built_->image.bytes();
  std::size_t changed = 0;
  for (std::size_t i = 0; i < file.size(); ++i) changed += file[i] != original[i];
  EXPECT_GT(changed, 0u);
  EXPECT_EQ(file.size(), original.size());
}

TEST_F(InPlace, LongerItemFileIsRefusedUntouchedAndTheWalkGoesOn) {
  Make({{1, 25, PatternBytes(100, 1)}, {2, 25, PatternBytes(100, 2)}});
  const Bytes before = ReadFileBytes(dir_ / "c.omf");
  const std::string longer = Item("long.dat", PatternBytes(101, 7));
  auto r = Replay({longer, Item("ok.dat", PatternBytes(60, 8))});
  EXPECT_EQ(r.refused, 1u);
  EXPECT_EQ(r.replaced, 1u);
  ASSERT_EQ(rec_.warnings.size(), 1u);
  EXPECT_NE(rec_.warnings[0].find(longer), std::string::npos);
  EXPECT_NE(rec_.warnings[0].find("101 bytes"), std::string::npos);
  EXPECT_NE(rec_.warnings[0].find("100 bytes"), std::string::npos);
  const auto items = Extracted();
  EXPECT_EQ(items[0], PatternBytes(100, 1));
  EXPECT_EQ(items[1], PatternBytes(60, 8));
  // Nothing of the refused item changed, size words included.
  const Bytes after = ReadFileBytes(dir_ / "c.omf");
  const std::uint64_t h = built_->data_header_pos[0];
  EXPECT_TRUE(std::equal(after.begin() + h, after.begin() + h + 24 + 100, before.begin() + h));
}

TEST_F(InPlace, ErrorsStopWithEarlierItemsReplacedAndLaterUntouched) {
  Make({{1, 25, PatternBytes(100, 1)}, {2, 25, PatternBytes(100, 2)}, {3, 25, PatternBytes(100, 3)}});
  const std::string missing = dir_ / "missing.dat";
  try {
    Replay({Item("a.dat", PatternBytes(10, 9)), missing, Item("c.dat", PatternBytes(10, 9))});
    ADD_FAILURE();
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot open file " + missing);
  }
  auto items = Extracted();
  EXPECT_EQ(items[0], PatternBytes(10, 9));
  EXPECT_EQ(items[2], PatternBytes(100, 3));

  // Too few lines: the index of the first type 25 entry without one.
  try {
    Replay({"NULL"}, 4);
    ADD_FAILURE();
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "List index out of bounds (5)");
  }
}

TEST_F(InPlace, BrokenChainIsRefusedBeforeAnyByteOfTheItem) {
  Make({{1, 25, PatternBytes(3000, 1)}});
  // Break the link the write would follow after the first block.
  const std::uint64_t run = built_->data_header_pos[0] + 24;
  Bytes bytes = built_->image.bytes();
  bytes[run - run % 512 + 4] = bytes[run - run % 512 + 5] = bytes[run - run % 512 + 6] = bytes[run - run % 512 + 7] = 0;
  WriteFileBytes(dir_ / "c.omf", bytes);
  EXPECT_THROW(Replay({Item("a.dat", PatternBytes(2000, 5))}), CorruptContainer);
  EXPECT_EQ(ReadFileBytes(dir_ / "c.omf"), bytes);
  // A write that stays in the first block follows no link and goes through.
  EXPECT_NO_THROW(Replay({Item("b.dat", PatternBytes(20, 5))}));
}

TEST_F(InPlace, UnchangedItemFilesLeaveTheContainerByteIdentical) {
  Make({{1, 25, PatternBytes(3000, 1)}, {2, 2, PatternBytes(10, 2)}, {3, 90, PatternBytes(1, 3)}, {4, 7, {}}});
  const Bytes before = ReadFileBytes(dir_ / "c.omf");
  std::filesystem::create_directories(dir_ / "x");
  LineList manifest;
  ExtractItems(dir_ / "c.omf", dir_ / "x", manifest);
  {
    auto file = ContainerFile::Open(dir_ / "c.omf", OpenMode::kReadWrite);
    EXPECT_EQ(ReplaceItemsInPlace(file, manifest, 0, rec_).replaced, 2u);
  }
  EXPECT_EQ(ReadFileBytes(dir_ / "c.omf"), before);
}

TEST_F(InPlace, DryRunWritesNothingAndBackupKeepsTheOriginal) {
  Make({{1, 25, PatternBytes(300, 1)}, {2, 25, PatternBytes(30, 2)}});
  const Bytes before = ReadFileBytes(dir_ / "c.omf");
  ReplayOptions dry;
  dry.dry_run = true;
  auto r = Replay({Item("a.dat", PatternBytes(200, 4)), Item("b.dat", PatternBytes(31, 4))}, 0, dry);
  EXPECT_EQ(r.replaced, 1u);
  EXPECT_EQ(r.refused, 1u);
  EXPECT_EQ(ReadFileBytes(dir_ / "c.omf"), before);
  EXPECT_FALSE(FileExists(dir_ / "c.omf.bak"));
  ASSERT_EQ(rec_.items.size(), 2u);
  EXPECT_EQ(rec_.items[0].action, ItemAction::kReplaced);
  EXPECT_EQ(rec_.items[1].action, ItemAction::kRefused);

  ReplayOptions backup;
  backup.backup = true;
  Replay({Item("a.dat", PatternBytes(200, 4)), "NULL"}, 0, backup);
  EXPECT_EQ(ReadFileBytes(dir_ / "c.omf.bak"), before);
  EXPECT_NE(ReadFileBytes(dir_ / "c.omf"), before);
}

// The whole file after a replay, byte for byte: the container laid out with
// the items' new data (old bytes past a shorter one) and their new size
// words. Runs long enough for several large writes, through consecutive
// blocks (gathered into spans, the links between them written back as they
// stand) and through scattered ones, at BlockSize 44 (a link every 36 data
// bytes), 512 and 4096.
TEST_F(InPlace, TheFileIsTheContainerLaidOutWithTheNewData) {
  const Bytes big = PatternBytes((3 << 20) / 2 + 7, 1), mid = PatternBytes(700000, 3);
  const std::vector<TestItem> before = {{1, 25, big},
                                        {2, 2, PatternBytes(3000, 2)},
                                        {3, 90, mid},
                                        {4, 25, PatternBytes(10, 4)},
                                        {5, 25, PatternBytes(2 << 20, 5)}};
  const Bytes new_big = PatternBytes(big.size(), 11);   // same length
  const Bytes new_mid = PatternBytes(500001, 13);       // shorter
  Bytes mid_after = new_mid;
  mid_after.insert(mid_after.end(), mid.begin() + new_mid.size(), mid.end());
  std::vector<TestItem> after = before;
  after[0].data = new_big;
  after[2].data = mid_after;
  const std::vector<std::string> lines = {Item("a.dat", new_big), Item("b.dat", PatternBytes(3000, 9)),
                                          Item("c.dat", new_mid), Item("d.dat", {}), "NULL"};
  for (std::uint32_t b : {44u, 512u, 4096u}) {
    for (bool scatter : {false, true}) {
      SCOPED_TRACE("B=" + std::to_string(b) + " scatter=" + std::to_string(scatter));
      BuildOptions opt;
      opt.block_size = b;
      opt.scatter = scatter;
      BuildContainer(before, opt).image.WriteTo(dir_ / "c.omf");
      auto expected = BuildContainer(after, opt);
      for (auto [k, length] : {std::pair{2, new_mid.size()}, std::pair{3, std::size_t{0}}}) {
        const std::uint64_t head = expected.data_header_pos[k];
        expected.image.Put32(head + 4, static_cast<std::uint32_t>(length + 12));
        expected.image.Put32(head + kSizedDataSizePos, static_cast<std::uint32_t>(length));
      }
      const auto r = Replay(lines);
      EXPECT_EQ(r.replaced, 3u);
      EXPECT_TRUE(ReadFileBytes(dir_ / "c.omf") == expected.image.bytes());
    }
  }
}

TEST_F(InPlace, EmptyDirectoryReadsNoLine) {
  Make({});
  EXPECT_EQ(Replay({}, 7).next_line, 7);
}

}  // namespace
}  // namespace omf::container
