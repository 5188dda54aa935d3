// Replays item files into a fuzzed container, in place and by rebuild.
//
// Besides never crashing, hanging or touching anything outside its folder:
//  - in-place replacement never changes the container's size;
//  - a rebuild that succeeds gives a container that reads back completely,
//    and rebuilding that one again gives the same bytes.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "container/container_file.h"
#include "container/rebuild.h"
#include "container/replace_in_place.h"
#include "container/verify.h"
#include "platform/error.h"
#include "work_dir.h"
#include "platform/line_list.h"

namespace {

namespace fs = std::filesystem;

void WriteFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  if (!out) std::abort();
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::string& dir = omf::fuzz::WorkDir();
  const std::string container = dir + "/c.omf";
  const std::string out = dir + "/out";
  fs::remove_all(out);
  fs::create_directories(out + "/again");

  // The first byte shapes the item files and the lines; the rest is the
  // container.
  const std::uint8_t shape = data[0];
  WriteFile(container, data + 1, size - 1);
  const std::uint8_t d0[] = {0xD0, 0x00, 0xD0, 0x7F};
  WriteFile(dir + "/a.dat", d0, shape % 5);
  WriteFile(dir + "/b.dat", data + 1, std::min<std::size_t>(size - 1, shape));
  // "NULL" and the empty line are taken as they stand; the others name
  // files in the work folder, missing.dat one that is not there.
  omf::LineList lines;
  const char* choices[] = {"NULL", "a.dat", "b.dat", "missing.dat", ""};
  for (int i = 0; i < 64; ++i) {
    const std::string choice = choices[(shape + i * 7) % 5];
    lines.Add(choice == "NULL" || choice.empty() ? choice : dir + "/" + choice);
  }

  omf::container::ReplayObserver quiet;
  try {
    auto file = omf::container::ContainerFile::Open(container, omf::OpenMode::kReadWrite);
    omf::container::ReplaceItemsInPlace(file, lines, 0, quiet);
  } catch (const omf::Error&) {
  }
  if (fs::file_size(container) != size - 1) std::abort();

  bool rebuilt = false;
  try {
    auto file = omf::container::ContainerFile::Open(container, omf::OpenMode::kReadOnly);
    omf::container::RebuildContainer(file, out + "/c.omf", lines, 0, quiet);
    rebuilt = true;
  } catch (const omf::Error&) {
  }
  if (!rebuilt) return 0;

  omf::LineList nulls;
  for (int i = 0; i < 64; ++i) nulls.Add("NULL");
  try {
    auto file = omf::container::ContainerFile::Open(out + "/c.omf", omf::OpenMode::kReadOnly);
    omf::container::VerifyContainer(file, /*include_aux=*/true);
    omf::container::RebuildContainer(file, out + "/again/c.omf", nulls, 0, quiet);
  } catch (const omf::Error& e) {
    std::fprintf(stderr, "rebuilt container does not read back: %s\n", e.what());
    std::abort();
  }
  if (ReadFile(out + "/c.omf") != ReadFile(out + "/again/c.omf")) {
    std::fprintf(stderr, "rebuild of a rebuild differs\n");
    std::abort();
  }
  return 0;
}
