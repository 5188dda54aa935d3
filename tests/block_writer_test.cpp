// The chained block writer: link values, open blocks, padding.
#include <gtest/gtest.h>

#include "container/block_writer.h"
#include "container/format.h"
#include "support/container_builder.h"
#include "support/temp_dir.h"

namespace omf::container {
namespace {

using testing::Bytes;
using testing::PatternBytes;
using testing::ReadFileBytes;
using testing::TempDir;

struct Run {
  std::uint64_t count;
  std::int32_t head;
  bool closing;
};

struct Link {
  std::uint64_t block_pos;
  std::uint32_t used_end;
  std::uint32_t next_link;
};

struct Segment {  // where run bytes landed, in order
  std::uint64_t pos;
  std::uint64_t len;
};

struct Case {
  const char* name;
  std::uint64_t start;
  std::vector<Run> runs;
  std::uint64_t end;
  std::vector<Link> links;
  std::vector<Segment> data;
};

// B = 512 throughout; the first cases are the writer's worked examples.
const Case kCases[] = {
    {"closing run from a block start", 1536, {{1000, -1, true}}, 2560,
     {{1536, 1536, 1544}, {2048, 2040, 0}}, {{1544, 504}, {2056, 496}}},
    {"same run left open", 1536, {{1000, -1, false}}, 2552,
     {{1536, 1536, 1544}, {2048, 2048, 2056}}, {{1544, 504}, {2056, 496}}},
    {"open block then head 36 pads to a new block", 1536, {{1000, -1, false}, {40, 36, true}}, 3072,
     {{2048, 2048, 2056}, {2560, 2560 - 512 + 8 + 40, 0}}, {{1544, 504}, {2056, 496}, {2568, 40}}},
    {"run inside a block, head fits", 1800, {{1000, 36, true}}, 3072,
     {{2048, 2048, 2056}, {2560, 2304, 0}}, {{1800, 248}, {2056, 504}, {2568, 248}}},
    {"count 0 writes nothing", 1536, {{0, -1, true}}, 1536, {}, {}},
    {"count 0 still pads for its head", 2040, {{0, 36, true}}, 2048, {}, {}},
    {"one payload, closing: one block", 1536, {{504, -1, true}}, 2048, {{1536, 1536, 0}}, {{1544, 504}}},
    {"small closing run: zeros to the block end", 1536, {{10, -1, true}}, 2048, {{1536, 1042, 0}}, {{1544, 10}}},
    {"exactly one payload, not closing: full block", 1536, {{504, -1, false}}, 2048,
     {{1536, 1536, 1544}}, {{1544, 504}}},
    {"head 36 with exactly 36 left: no padding", 2012, {{100, 36, true}}, 2560,
     {{2048, 2048 - 512 + 8 + 64, 0}}, {{2012, 36}, {2056, 64}}},
    {"head 36 with 35 left: pads", 2013, {{100, 36, true}}, 2560,
     {{2048, 2048 - 512 + 8 + 100, 0}}, {{2056, 100}}},
    {"head 36 at a block start: no padding", 1536, {{100, 36, true}}, 2048, {{1536, 1536 - 512 + 8 + 100, 0}},
     {{1544, 100}}},
    {"closing run ending in an open block keeps its link", 1536, {{100, -1, false}, {50, -1, true}}, 2048,
     {{1536, 1536, 1544}}, {{1544, 150}}},
};

TEST(BlockWriter, LinksPaddingAndOpenBlocks) {
  constexpr std::uint32_t B = 512;
  for (const auto& c : kCases) {
    TempDir dir;
    const Bytes filler(c.start, 0xEE);
    Bytes data;
    for (const auto& r : c.runs) {
      Bytes piece = PatternBytes(r.count, static_cast<std::uint32_t>(data.size() + 1));
      data.insert(data.end(), piece.begin(), piece.end());
    }
    {
      auto out = FileStream::Create(dir / "c");
      out.Write(filler.data(), filler.size());
      BlockWriter w(out, B, c.start);
      std::size_t at = 0;
      for (const auto& r : c.runs) {
        w.BeginRun(r.count, r.head, r.closing);
        // Feed in uneven slices: the writer must not care.
        for (std::uint64_t left = r.count; left > 0;) {
          std::size_t take = std::min<std::uint64_t>(left, 7 + at % 300);
          w.Put(data.data() + at, take);
          at += take;
          left -= take;
        }
        w.EndRun();
      }
      w.Flush();
      EXPECT_EQ(w.Position(), c.end) << c.name;
    }
    const Bytes file = ReadFileBytes(dir / "c");
    ASSERT_EQ(file.size(), c.end) << c.name;
    for (const auto& l : c.links) {
      EXPECT_EQ(DecodeWord(file.data() + l.block_pos), l.used_end) << c.name << " link at " << l.block_pos;
      EXPECT_EQ(DecodeWord(file.data() + l.block_pos + 4), l.next_link) << c.name << " link at " << l.block_pos;
    }
    // The run bytes, in order, at the expected places; every other byte
    // past the filler that is not a link is zero.
    Bytes expect_file(file.size(), 0);
    std::copy(filler.begin(), filler.end(), expect_file.begin());
    std::size_t at = 0;
    for (const auto& s : c.data) {
      std::copy_n(data.begin() + at, s.len, expect_file.begin() + s.pos);
      at += s.len;
    }
    EXPECT_EQ(at, data.size()) << c.name;
    for (std::uint64_t blk = (c.start + B - 1) / B * B; blk < file.size(); blk += B) {
      std::copy_n(file.begin() + blk, 8, expect_file.begin() + blk);  // links checked above
    }
    EXPECT_EQ(file, expect_file) << c.name;
  }
}

TEST(BlockWriter, NextRunStartMatchesWhereTheRunLands) {
  // The stored offset the rebuild computes for an item record before
  // writing it is where the record really goes.
  struct Probe {
    std::uint64_t pos;
    std::int32_t head;
    std::uint64_t stored;
  };
  for (auto p : {Probe{512, 36, 8}, Probe{1100, 36, 588}, Probe{2040, 36, 1544}, Probe{2012, 36, 1500},
                 Probe{2013, 36, 1544}, Probe{1536, -1, 1032}, Probe{2047, -1, 1535}}) {
    TempDir dir;
    auto out = FileStream::Create(dir / "c");
    BlockWriter w(out, 512, p.pos);
    EXPECT_EQ(w.NextRunStart(p.head), p.stored) << p.pos;
  }
}

}  // namespace
}  // namespace omf::container
