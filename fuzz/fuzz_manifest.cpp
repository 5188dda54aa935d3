// Interprets a fuzzed manifest against two small valid containers.
//
// The working folder holds c.omf (items of type 25, 90, 2 and 19, for the
// in-place route), r.omf (four items of type 2, which the rebuild accepts)
// and three item files, one with a blank in its name, so that plain text
// with relative paths reaches every directive, both routes to their end and
// the item lines. Besides never crashing, hanging or leaking, the target
// aborts when
//  - c.omf or r.omf changes its size, or r.omf any byte (in place passes
//    type 2 items over, and a rebuild never writes its source);
//  - anything is added to or removed from the working folder besides what
//    goes into out/;
//  - out/ holds anything but regular files, such as a rebuild's temporary
//    file, or a file there does not read back as a complete container.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "container/container_file.h"
#include "container/format.h"
#include "container/verify.h"
#include "manifest/interpreter.h"
#include "platform/error.h"
#include "work_dir.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<unsigned char>;

// A small valid container of four items with the given types, laid out by
// hand: B = 64, every record and run in its own block.
Bytes SmallContainer(const std::uint32_t (&types)[4]) {
  constexpr std::uint32_t B = 64;
  Bytes c(B * 16, 0);
  auto put = [&](std::size_t pos, std::uint32_t v) { omf::container::EncodeWord(c.data() + pos, v); };
  auto stored = [&](std::size_t pos) { return static_cast<std::uint32_t>(pos - B); };
  auto close_block = [&](std::size_t block, std::size_t used_to) {
    put(block * B, stored(used_to));
    put(block * B + 4, 0);
  };
  put(4, B);
  put(8, 15);
  // Block 1: root record; block 2: descriptor header + body.
  put(24, stored(B + 8));
  put(B + 8 + 28, stored(2 * B + 8));
  put(2 * B + 8 + 8, stored(2 * B + 8 + 12));
  put(2 * B + 8 + 16, stored(3 * B + 8));
  close_block(1, B + 40);
  close_block(2, 2 * B + 28);
  // Block 3: directory header, 12 bytes, 4 entries (run over blocks 3-5).
  const std::uint32_t items[4][2] = {{1, types[0]}, {2, types[1]}, {0x1A, types[2]}, {3, types[3]}};
  Bytes entries(4 * 48, 0);
  for (int i = 0; i < 4; ++i) {
    omf::container::EncodeWord(entries.data() + 48 * i, items[i][0]);
    omf::container::EncodeWord(entries.data() + 48 * i + 44, stored((6 + 2 * i) * B + 8));
  }
  put(3 * B + 8 + 4, 12 + 4 * 48);
  std::size_t pos = 3 * B + 8 + 24;
  std::size_t block = 3;
  for (unsigned char b : entries) {
    if (pos == (block + 1) * B) {
      put(block * B, stored((block + 1) * B));
      put(block * B + 4, stored((block + 1) * B + 8));
      ++block;
      pos = block * B + 8;
    }
    c[pos++] = b;
  }
  close_block(block, pos);
  // Items: record in block 6 + 2i, data header group and 20 data bytes in
  // block 7 + 2i.
  for (int i = 0; i < 4; ++i) {
    const std::size_t rec = (6 + 2 * i) * B + 8, head = (7 + 2 * i) * B + 8;
    put(rec, stored(rec));
    put(rec + 12, items[i][1]);
    if (items[i][1] == 2) {
      put(rec + 16, 20);
      put(rec + 20, stored(head));
      put(head + 4, 20);
      for (int k = 0; k < 20; ++k) c[head + 12 + k] = static_cast<unsigned char>(0xD0 + k);
    } else {
      put(rec + 16, stored(head));
      put(head + 4, 32);
      put(head + 20, 20);
      for (int k = 0; k < 20; ++k) c[head + 24 + k] = static_cast<unsigned char>(k);
    }
    close_block(6 + 2 * i, rec + 24);
    close_block(7 + 2 * i, head + 44);
  }
  // Auxiliary items in blocks 14 and 15.
  put(20, stored(14 * B + 8));
  put(28, stored(15 * B + 8));
  put(14 * B + 8 + 4, 10);
  put(15 * B + 8 + 4, 3);
  close_block(14, 14 * B + 30);
  close_block(15, 15 * B + 23);
  return c;
}

void WriteFile(const std::string& path, const void* data, std::size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
  if (!out) std::abort();
}

Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Require(bool ok, const std::string& what) {
  if (!ok) {
    std::fprintf(stderr, "fuzz_manifest: %s\n", what.c_str());
    std::abort();
  }
}

// Data items of a container, or aborts when it does not read back whole.
std::uint64_t DataItems(const std::string& path) {
  try {
    auto file = omf::container::ContainerFile::Open(path, omf::OpenMode::kReadOnly);
    return omf::container::VerifyContainer(file, /*include_aux=*/true).data_items;
  } catch (const omf::Error& e) {
    Require(false, path + " does not read back: " + e.what());
  }
  return 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const Bytes in_place = SmallContainer({25, 90, 2, 19});
  static const Bytes rebuildable = SmallContainer({2, 2, 2, 2});
  const std::string& dir = omf::fuzz::WorkDir();
  const std::string out = dir + "/out";
  static const std::set<std::string> fixture = {"c.omf", "r.omf", "a.dat", "a b.dat", "long.dat", "m.log", "out"};
  static const bool fixture_checked = [&] {
    // The fixtures must be valid containers, or the fuzzer explores nothing.
    WriteFile(dir + "/c.omf", in_place.data(), in_place.size());
    WriteFile(dir + "/r.omf", rebuildable.data(), rebuildable.size());
    Require(DataItems(dir + "/c.omf") == 3, "c.omf fixture");
    Require(DataItems(dir + "/r.omf") == 4, "r.omf fixture");
    return true;
  }();
  (void)fixture_checked;
  fs::remove_all(out);
  fs::create_directories(out);
  WriteFile(dir + "/c.omf", in_place.data(), in_place.size());
  WriteFile(dir + "/r.omf", rebuildable.data(), rebuildable.size());
  WriteFile(dir + "/a.dat", "\xD0hello", 6);
  WriteFile(dir + "/a b.dat", "\x01\x02\x00", 3);
  WriteFile(dir + "/long.dat", std::string(40, 'x').data(), 40);
  WriteFile(dir + "/m.log", data, size);

  omf::manifest::InterpreterState state;
  omf::manifest::InterpreterHost host;
  // Relative paths in the manifest resolve in the working folder, as they
  // do in the output folder of a run; libFuzzer's own paths must not.
  const auto home = fs::current_path();
  if (::chdir(dir.c_str()) != 0) std::abort();
  try {
    omf::manifest::InterpretManifest(dir + "/m.log", out, state, host);
  } catch (const omf::Error&) {
  }
  fs::current_path(home);

  Require(fs::file_size(dir + "/c.omf") == in_place.size(), "c.omf changed its size");
  Require(ReadFile(dir + "/r.omf") == rebuildable, "r.omf was written");
  std::set<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.insert(e.path().filename().string());
  Require(names == fixture, "the working folder gained or lost a file");
  for (const auto& e : fs::directory_iterator(out)) {
    Require(e.is_regular_file() && !e.is_symlink(), "out/ holds something other than a file");
    Require(e.path().filename().string().front() != '.', "a temporary file is left in out/");
    DataItems(e.path().string());
  }
  return 0;
}
