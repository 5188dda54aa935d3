// Item extraction: item files, manifest lines, and what an error leaves.
#include <gtest/gtest.h>

#include <filesystem>

#include "container/corrupt.h"
#include "container/extract.h"
#include "container/item_file_name.h"
#include "platform/file_stream.h"
#include "support/container_builder.h"
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

TEST(ItemFileName, HexAtLeastFourDigits) {
  struct Case {
    std::uint32_t id;
    const char* name;
  };
  for (auto c : {Case{0, "0000.dat"}, Case{26, "001A.dat"}, Case{0xFFF, "0FFF.dat"}, Case{0xabcd, "ABCD.dat"},
                 Case{0x12345, "12345.dat"}, Case{0xFFFFFFFF, "FFFFFFFF.dat"}}) {
    EXPECT_EQ(ItemFileName(c.id), c.name);
  }
}

TEST(Extract, WritesItemFilesAndOneLinePerEntry) {
  const std::vector<TestItem> items = {
      {0x1, 25, PatternBytes(5000, 1)}, {0x2, 19, PatternBytes(8, 2)}, {0x1A, 2, PatternBytes(1200, 3)},
      {0x3, 90, PatternBytes(600, 4)},  {0x4, 2, {}},                  {0x12345, 2, PatternBytes(9, 5)},
      {0x5, 0, {}},
  };
  for (std::uint32_t b : {64u, 512u, 4096u}) {
    BuildOptions opt;
    opt.block_size = b;
    opt.scatter = true;
    TempDir dir;
    BuildContainer(items, opt).image.WriteTo(dir / "scene.omf");
    const std::string out = dir / "out";
    std::filesystem::create_directory(out);

    LineList manifest;
    manifest.Add("#Source: earlier line");
    auto result = ExtractItems(dir / "scene.omf", out, manifest);
    EXPECT_EQ(result.entries, 7u);
    EXPECT_EQ(result.files, 5u);
    EXPECT_EQ(result.bytes, 5000u + 1200 + 600 + 9);

    const std::vector<std::string> lines = {"#Source: earlier line", out + "/0001.dat", "NULL", out + "/001A.dat",
                                            out + "/0003.dat",      out + "/0004.dat", out + "/12345.dat", "NULL"};
    EXPECT_EQ(manifest.Lines(), lines) << "B=" << b;
    EXPECT_EQ(ReadFileBytes(out + "/0001.dat"), items[0].data);
    EXPECT_EQ(ReadFileBytes(out + "/001A.dat"), items[2].data);
    EXPECT_EQ(ReadFileBytes(out + "/0003.dat"), items[3].data);
    EXPECT_TRUE(ReadFileBytes(out + "/0004.dat").empty());
    EXPECT_EQ(ReadFileBytes(out + "/12345.dat"), items[5].data);
    EXPECT_FALSE(FileExists(out + "/0002.dat"));  // type 19 gets no file
  }
}

TEST(Extract, DuplicateIdsTrailingSeparatorAndReplacedFiles) {
  TempDir dir;
  BuildContainer({{7, 2, PatternBytes(30, 1)}, {7, 25, PatternBytes(10, 2)}}).image.WriteTo(dir / "c.omf");
  const std::string out = dir.path() + "/";
  testing::WriteFileBytes(dir / "0007.dat", PatternBytes(9000, 9));  // longer old file

  LineList manifest;
  ExtractItems(dir / "c.omf", out, manifest);
  // The folder is joined as it stands: a trailing separator gives two.
  EXPECT_EQ(manifest.Lines(), (std::vector<std::string>{out + "/0007.dat", out + "/0007.dat"}));
  EXPECT_EQ(ReadFileBytes(dir / "0007.dat"), PatternBytes(10, 2));  // the later entry wins, nothing left over
}

TEST(Extract, CorruptContainerWritesNothing) {
  // The fault sits in the last item's chain: the first items must not be
  // written either.
  auto built = BuildContainer({{1, 2, PatternBytes(100, 1)}, {2, 2, PatternBytes(100, 2)}, {3, 2, PatternBytes(3000, 3)}});
  const auto blk = static_cast<std::uint32_t>((built.data_header_pos[2] + 12) / 512);
  built.image.SetLink(blk, 0, 0);
  TempDir dir;
  built.image.WriteTo(dir / "c.omf");
  LineList manifest;
  EXPECT_THROW(ExtractItems(dir / "c.omf", dir.path(), manifest), CorruptContainer);
  EXPECT_EQ(manifest.Count(), 0);
  EXPECT_FALSE(FileExists(dir / "0001.dat"));
}

TEST(Extract, OpenAndCreateErrorsKeepTheLinesSoFar) {
  TempDir dir;
  BuildContainer({{1, 19, {}}, {2, 2, PatternBytes(10, 1)}}).image.WriteTo(dir / "c.omf");
  LineList manifest;
  try {
    ExtractItems(dir / "missing.omf", dir.path(), manifest);
    ADD_FAILURE();
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), ("Cannot open file " + (dir / "missing.omf")).c_str());
  }
  EXPECT_EQ(manifest.Count(), 0);

  try {
    ExtractItems(dir / "c.omf", dir / "nofolder", manifest);
    ADD_FAILURE();
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), ("Cannot create file " + (dir / "nofolder") + "/0002.dat").c_str());
  }
  EXPECT_EQ(manifest.Lines(), std::vector<std::string>{"NULL"});

  // A container that another opener holds cannot be opened.
  auto held = FileStream::Open(dir / "c.omf", OpenMode::kReadWrite);
  EXPECT_THROW(ExtractItems(dir / "c.omf", dir.path(), manifest), Error);
}

TEST(Extract, InterruptionStopsBeforeTheNextItem) {
  TempDir dir;
  BuildContainer({{1, 2, PatternBytes(10, 1)}}).image.WriteTo(dir / "c.omf");
  InterruptFlag interrupt;
  interrupt.Raise();
  LineList manifest;
  EXPECT_THROW(ExtractItems(dir / "c.omf", dir.path(), manifest, nullptr, &interrupt), Interrupted);
  EXPECT_EQ(manifest.Count(), 0);
  EXPECT_FALSE(FileExists(dir / "0001.dat"));
}

TEST(Extract, AnItemFileNamedLikeTheContainerIsRefusedNotClobbered) {
  // The container is itself named like an item file in the output folder:
  // it is held without sharing, so creating the item file fails.
  TempDir dir;
  BuildContainer({{1, 2, PatternBytes(10, 1)}}).image.WriteTo(dir / "0001.dat");
  const Bytes before = ReadFileBytes(dir / "0001.dat");
  LineList manifest;
  EXPECT_THROW(ExtractItems(dir / "0001.dat", dir.path(), manifest), Error);
  EXPECT_EQ(ReadFileBytes(dir / "0001.dat"), before);
}

}  // namespace
}  // namespace omf::container
