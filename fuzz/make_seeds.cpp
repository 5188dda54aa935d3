// Writes the seed corpus of fuzz_extract: small valid containers that walk
// the reader's main roads, so the fuzzer starts from inputs that get past
// the header and mutates from there.
//
//   omf_make_seeds fuzz/seeds/fuzz_extract      (or: make fuzz-seeds)
//
// Every seed is checked with the reader before it is written.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "container/container_file.h"
#include "container/verify.h"
#include "platform/error.h"
#include "support/container_builder.h"
#include "support/temp_dir.h"

namespace {

using omf::testing::BuildContainer;
using omf::testing::BuildOptions;
using omf::testing::BuiltContainer;
using omf::testing::Bytes;
using omf::testing::PatternBytes;
using omf::testing::TestItem;

// Small auxiliary items: extraction does not read them, they only take room.
BuildOptions Options(std::uint32_t block_size, bool scatter, std::uint32_t seed = 1) {
  BuildOptions opt;
  opt.block_size = block_size;
  opt.scatter = scatter;
  opt.seed = seed;
  opt.aux_a = PatternBytes(20, 0xA);
  opt.aux_b = PatternBytes(60, 0xB);
  return opt;
}

// The layouts below are chosen for where their runs meet block ends; a
// change in the builder must not quietly move them.
void Claim(bool holds, const char* what) {
  if (!holds) {
    std::fprintf(stderr, "seed layout no longer holds: %s\n", what);
    std::exit(1);
  }
}

struct Seed {
  std::string name;
  Bytes bytes;
};

std::vector<Seed> MakeSeeds() {
  std::vector<Seed> seeds;

  // Every kind of item, DataSize 0 included, with chains scattered through
  // the file; the smallest block size, so most runs cross several blocks.
  const std::vector<TestItem> mixed = {
      {0x1A, 2, PatternBytes(150, 1)}, {0x1, 25, PatternBytes(90, 2)}, {0x2, 90, PatternBytes(40, 3)},
      {0x3, 19, {}},                   {0x4, 7, {}},                   {0x5, 2, {}},
      {0x6, 25, {}},                   {0x12345, 90, PatternBytes(5, 4)},
  };
  seeds.push_back({"b44-scatter-mixed.omf", BuildContainer(mixed, Options(44, true)).image.bytes()});

  // B = 64 with the directory header right after a link: the entries start
  // 32 bytes into the block, so the third one (32 + 3 * 48 = 64 + 2 * 56)
  // ends exactly at a block end and the fourth begins after its link.
  {
    const std::vector<TestItem> items = {
        {1, 2, PatternBytes(70, 5)}, {2, 25, PatternBytes(30, 6)}, {3, 90, {}}, {4, 0, {}}, {5, 2, {}}};
    BuildOptions opt = Options(64, true, 7);
    opt.directory_start_in_block = 8;
    BuiltContainer built = BuildContainer(items, opt);
    Claim(built.first_entry_pos % 64 == 32, "b64 entries start 32 bytes into a block");
    seeds.push_back({"b64-scatter-entry-at-block-end.omf", built.image.bytes()});
  }

  // Records whose data header ends at a block end (the run starts after the
  // next link), and a data run that ends exactly at a block end.
  {
    const std::vector<TestItem> items = {
        {1, 2, PatternBytes(100, 8), 64 - 36},   // record + data header end at B
        {2, 25, PatternBytes(100, 9), 64 - 44},  // record + sized data header end at B
        {3, 90, PatternBytes(3, 10), 64 - 44},
        {4, 2, PatternBytes(20, 11), 8},         // 8 + 24 + 12 + 20 = 64: data ends at B
        {5, 2, {}, 64 - 36},                     // DataSize 0 right at a block end
    };
    BuiltContainer built = BuildContainer(items, Options(64, false));
    for (std::size_t i : {0u, 4u}) Claim((built.data_header_pos[i] + 12) % 64 == 0, "b64 type 2 data header ends at B");
    for (std::size_t i : {1u, 2u}) Claim((built.data_header_pos[i] + 24) % 64 == 0, "b64 type 25/90 data header ends at B");
    Claim((built.data_header_pos[3] + 12 + 20) % 64 == 0, "b64 data run ends at B");
    seeds.push_back({"b64-runs-at-block-ends.omf", built.image.bytes()});
  }

  // B = 512: a run over three blocks, all item types, long ids, a duplicate id.
  {
    const std::vector<TestItem> items = {
        {0x1A, 2, PatternBytes(1200, 12)}, {0x1, 25, PatternBytes(300, 13)}, {0x2, 90, PatternBytes(77, 14)},
        {0x3, 19, {}},                     {0xFFFFFFFF, 2, PatternBytes(9, 15)},
        {0x1A, 25, PatternBytes(12, 16)},
    };
    seeds.push_back({"b512-mixed.omf", BuildContainer(items, Options(512, false)).image.bytes()});
  }

  // B = 512, directory header after a link: the tenth entry ends at the
  // block end (8 + 24 + 10 * 48 = 512), the eleventh is in the next block.
  {
    std::vector<TestItem> items;
    for (std::uint32_t i = 0; i < 11; ++i) {
      const std::uint32_t types[] = {2, 25, 90, 19};
      items.push_back({0x100 + i, types[i % 4], PatternBytes(i * 3, 20 + i)});
    }
    BuildOptions opt = Options(512, false);
    opt.directory_start_in_block = 8;
    BuiltContainer built = BuildContainer(items, opt);
    Claim((built.first_entry_pos + 10 * 48) % 512 == 0, "b512 tenth entry ends at a block end");
    seeds.push_back({"b512-entry-at-block-end.omf", built.image.bytes()});
  }

  // An empty directory.
  seeds.push_back({"b512-no-entries.omf", BuildContainer({}, Options(512, false)).image.bytes()});

  // A short last block: the file ends right after the last entry.
  {
    BuiltContainer built = BuildContainer({{1, 2, PatternBytes(10, 30)}, {2, 90, PatternBytes(40, 31)}},
                                          Options(512, false));
    built.image.bytes().resize(built.first_entry_pos + 2 * 48);
    seeds.push_back({"b512-short-last-block.omf", built.image.bytes()});
  }

  // Many small entries in small blocks, the directory chain scattered.
  {
    std::vector<TestItem> items;
    for (std::uint32_t i = 0; i < 12; ++i) items.push_back({i, i % 3 == 0 ? 25u : 2u, PatternBytes(i, 40 + i)});
    seeds.push_back({"b44-scatter-many-entries.omf", BuildContainer(items, Options(44, true, 3)).image.bytes()});
  }
  return seeds;
}

}  // namespace

// Seeds for fuzz_replay: a shape byte (which item files the lines name)
// before a container whose items are all of type 2, so that both the
// in-place route and a successful rebuild are reachable.
void WriteReplaySeeds(const std::filesystem::path& folder) {
  std::filesystem::create_directories(folder);
  const std::uint32_t block_sizes[] = {64, 512};
  for (std::uint32_t b : block_sizes) {
    std::vector<TestItem> items;
    for (std::uint32_t i = 0; i < 6; ++i) items.push_back({i + 1, i % 3 == 2 ? 25u : 2u, PatternBytes(i * 40, i)});
    for (const bool plain_only : {true, false}) {
      std::vector<TestItem> chosen = items;
      if (plain_only) {
        for (auto& item : chosen) item.type = 2;
      }
      omf::testing::Bytes bytes = BuildContainer(chosen, Options(b, true)).image.bytes();
      // Line i names choice (shape + 7 i) % 5 of fuzz_replay: with shape 7
      // the type 25 entries 2 and 5 take a.dat and b.dat (both replaced in
      // place), with shape 6 "NULL" and a.dat (kept, replaced).
      bytes.insert(bytes.begin(), static_cast<unsigned char>(b == 64 ? 7 : 6));
      const std::string name = "b" + std::to_string(b) + (plain_only ? "-type2" : "-mixed") + ".bin";
      omf::testing::WriteFileBytes((folder / name).string(), bytes);
      std::printf("%s (%zu bytes)\n", (folder / name).c_str(), bytes.size());
    }
  }
}

int main(int argc, char** argv) {
  if (argc != 2 && argc != 3) {
    std::fprintf(stderr, "usage: %s <extract seed folder> [<replay seed folder>]\n", argv[0]);
    return 2;
  }
  if (argc == 3) WriteReplaySeeds(argv[2]);
  const std::filesystem::path folder = argv[1];
  std::filesystem::create_directories(folder);
  for (const auto& seed : MakeSeeds()) {
    const std::string path = (folder / seed.name).string();
    omf::testing::WriteFileBytes(path, seed.bytes);
    try {
      auto file = omf::container::ContainerFile::Open(path, omf::OpenMode::kReadOnly);
      omf::container::VerifyContainer(file, /*include_aux=*/false);
    } catch (const omf::Error& e) {
      std::fprintf(stderr, "%s: seed refused by the reader: %s\n", path.c_str(), e.what());
      return 1;
    }
    std::printf("%s (%zu bytes)\n", path.c_str(), seed.bytes.size());
  }
  return 0;
}
