// Interprets a fuzzed manifest against a small valid container.
//
// The working folder holds c.omf (items of type 25, 90, 2 and 19), two
// item files and a project of relative paths, so the fuzzer can reach
// every directive, both routes and the item lines from plain text.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
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

// A small valid container, laid out by hand: B = 64, every record and run
// in its own block.
Bytes SmallContainer() {
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
  const std::uint32_t items[4][2] = {{1, 25}, {2, 90}, {0x1A, 2}, {3, 19}};
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const Bytes container = SmallContainer();
  const std::string& dir = omf::fuzz::WorkDir();
  static const bool fixture_checked = [&] {
    // The fixture must be a valid container, or the fuzzer explores nothing.
    WriteFile(dir + "/c.omf", container.data(), container.size());
    auto file = omf::container::ContainerFile::Open(dir + "/c.omf", omf::OpenMode::kReadOnly);
    if (omf::container::VerifyContainer(file, true).data_items != 3) std::abort();
    return true;
  }();
  (void)fixture_checked;
  fs::remove_all(dir + "/out");
  fs::create_directories(dir + "/out");
  WriteFile(dir + "/c.omf", container.data(), container.size());
  WriteFile(dir + "/a.dat", "\xD0hello", 6);
  WriteFile(dir + "/long.dat", std::string(40, 'x').data(), 40);
  WriteFile(dir + "/m.log", data, size);

  omf::manifest::InterpreterState state;
  omf::manifest::InterpreterHost host;
  // Relative paths in the manifest resolve in the working folder, as they
  // do in the output folder of a run; libFuzzer's own paths must not.
  const auto home = fs::current_path();
  if (::chdir(dir.c_str()) != 0) std::abort();
  try {
    omf::manifest::InterpretManifest(dir + "/m.log", dir + "/out", state, host);
  } catch (const omf::Error&) {
  }
  fs::current_path(home);
  return 0;
}
